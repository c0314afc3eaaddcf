#include "FixedDialog.h"

#include <QDialog>

namespace quillon::console {

void SetUpFixedDialog(QDialog& dialog, const char* name, const QString& caption, QSize size) {
    dialog.setObjectName(name);
    dialog.setWindowTitle(caption);
    dialog.setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint);
    dialog.setFixedSize(size);
    QFont small = dialog.font();
    small.setPointSize(8);
    dialog.setFont(small);
}

} // namespace quillon::console
