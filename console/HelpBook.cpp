#include "HelpBook.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QKeyEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace quillon::console {

namespace {

constexpr const char* ContextProperty = "HelpContext";

} // namespace

HelpBook::HelpBook(QString directory, QObject* parent)
    : QObject(parent), directory_(std::move(directory)) {}

HelpBook::~HelpBook() {
    delete window_;
}

void HelpBook::SetHelpContext(QWidget* control, int context) {
    control->setProperty(ContextProperty, context);
}

int HelpBook::HelpContextOf(const QWidget* control) {
    for (; control != nullptr; control = control->parentWidget()) {
        const int context = control->property(ContextProperty).toInt();
        if (context != 0) {
            return context;
        }
    }
    return 0;
}

QString HelpBook::DefaultDirectory() {
    const QDir installed(QCoreApplication::applicationDirPath() + "/../share/quillon/help");
    return installed.exists() ? installed.canonicalPath() : QStringLiteral(QUILLON_HELP_SOURCE_DIR);
}

QString HelpBook::PagePath(int context) const {
    return directory_ + "/" + (context == 0 ? QString("index") : QString::number(context)) +
           ".html";
}

void HelpBook::ShowContext(int context) {
    if (window_ == nullptr) {
        window_ = new QDialog(nullptr, Qt::Window);
        window_->setObjectName("HelpWindow");
        window_->setWindowTitle("Quillon help");
        window_->resize(520, 420);
        browser_ = new QTextBrowser(window_);
        browser_->setObjectName("HelpBrowser");
        (new QVBoxLayout(window_))->addWidget(browser_);
    }
    browser_->setSource(QUrl::fromLocalFile(PagePath(context)));
    window_->show();
    window_->raise();
    window_->activateWindow();
}

QTextBrowser* HelpBook::Browser() const {
    return window_ != nullptr ? browser_ : nullptr;
}

bool HelpBook::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_F1 &&
        watched->isWidgetType()) {
        QWidget* focus = QApplication::focusWidget();
        ShowContext(HelpContextOf(focus != nullptr ? focus : static_cast<QWidget*>(watched)));
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillon::console
