#include "widgets/CellParams.h"

namespace quillon::widgets {

bool TSCGCellParam::Matches(int ACol, int ARow) const {
    if (!rangeEnabled_)
        return ACol == col_ && ARow == row_;
    return col_ <= ACol && ACol <= colMax_ && row_ <= ARow && ARow <= rowMax_;
}

TSCGCellParam* TSCGCellParams::Find(int ACol, int ARow) const {
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i).Matches(ACol, ARow))
            return &Items(i);
    return nullptr;
}

} // namespace quillon::widgets
