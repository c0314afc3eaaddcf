#pragma once

#include "widgets/TextPlacement.h"

#include <Qt>

class QFocusEvent;
class QKeyEvent;
class QLineEdit;

namespace quillon::widgets {

// Whether typing in an entry field inserts, the Insert key switches between
// inserting and typing over, or typing always types over.
enum class TOverWriteMode { owInsert, owToggle, owOverWrite };

// The typing both entry fields share: inserting, or typing over the character
// under the caret, with the caret held inside the maximum length under
// owOverWrite so that a full field keeps typing over its last character.
class EditTyping {
public:
    TOverWriteMode Mode() const { return mode_; }
    void setMode(TOverWriteMode mode);
    bool Overwriting() const { return overwriting_; }

    // The Insert key switches typing over under owToggle; true when it did.
    bool toggle(const QKeyEvent& event);
    // On entering the field only owOverWrite types over, and then a selection
    // is collapsed to its start so that the first key types over.
    void enter(QLineEdit& edit);
    // Before typed characters go into the edit: selects what they type over.
    void prepare(QLineEdit& edit) const;

private:
    TOverWriteMode mode_ = TOverWriteMode::owInsert;
    bool overwriting_ = false;
};

Qt::Alignment toQtAlignment(TAlignment alignment);
TAlignment fromQtAlignment(Qt::Alignment alignment);

// A key that types printable characters, rather than moving, editing or
// being a shortcut.
bool isTyping(const QKeyEvent& event);

// The focus moving between the controls of a window, rather than the window
// losing or regaining activation or a popup menu opening.
bool movesBetweenFields(const QFocusEvent& event);

} // namespace quillon::widgets
