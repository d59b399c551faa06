#include "ui/WindowLayout.h"

#include <QKeyEvent>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

namespace ostrel {

namespace {

// Watches the window itself, so it sees only the key presses its children left unhandled.
class EscapeCloses final : public QObject {
public:
    explicit EscapeCloses(QWidget& window) : QObject(&window), window_(window) {
        window.installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &window_ && event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel)) {
            window_.close();
            return true;
        }
        return false;
    }

private:
    QWidget& window_;
};

} // namespace

void fillWindow(QWidget& window, QWidget* view) {
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
}

void centreOnScreen(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

void closeOnEscape(QWidget& window) {
    new EscapeCloses(window);
}

} // namespace ostrel
