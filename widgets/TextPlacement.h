#pragma once

namespace quillon::widgets {

// Where a text sits inside its rectangle, horizontally and vertically; shared
// by the edit fields, the grid and the button.
enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
enum class TTextLayout { tlTop, tlCenter, tlBottom };

} // namespace quillon::widgets
