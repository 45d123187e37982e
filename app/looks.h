#pragma once

class QWidget;

namespace orvr {

// StyleBook1 (dark) and StyleBook2 (light).
enum class Look { Dark, Light };

// Gives the window and all its children the look: palette and style sheet for every
// kind of control the window uses. Lamps, frames and the chart keep their own colours.
void ApplyLook(QWidget* window, Look look);

}  // namespace orvr
