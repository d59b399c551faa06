#pragma once

#include "ui/WindowController.h"

#include <QPointer>
#include <QWidget>

namespace ostrel {

// A window controller around a top-level widget that deletes itself when closed: showing
// brings it forward, Escape closes it, and closing tells the shell through onClosed.
class WidgetWindowController final : public WindowController {
public:
    explicit WidgetWindowController(QWidget* window);
    ~WidgetWindowController() override;

    void showWindow() override;
    QWidget* window() const { return window_; }

private:
    QPointer<QWidget> window_;
};

} // namespace ostrel
