#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QDialog;
class QTextBrowser;
class QWidget;

namespace quillon::console {

// The program's help book: one HTML page per help context number, shown in a
// help window. Controls carry their context number; F1 anywhere in the
// program opens the page of the focused control, or of the nearest of its
// parents that has one.
class HelpBook : public QObject {
    Q_OBJECT

public:
    // directory holds the pages, named by context number (10021.html).
    explicit HelpBook(QString directory, QObject* parent = nullptr);
    ~HelpBook() override;

    static void SetHelpContext(QWidget* control, int context);
    // The context of the control or of its nearest parent that has one; 0
    // when none has.
    static int HelpContextOf(const QWidget* control);
    // The installed book beside the program, else the one in the source tree.
    static QString DefaultDirectory();

    QString PagePath(int context) const;
    // Opens the page of the context in the help window; the book's contents
    // page for context 0.
    void ShowContext(int context);
    // The help window, once a page has been shown.
    QTextBrowser* Browser() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString directory_;
    QPointer<QDialog> window_;
    QTextBrowser* browser_ = nullptr;
};

} // namespace quillon::console
