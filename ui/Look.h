#pragma once

// The program's shared look: the light-blue background on windows, labels and buttons, and the
// Verdana face (the system substitutes a free face where Verdana is absent).

#include <QColor>
#include <QFont>
#include <initializer_list>

class QWidget;
class QLabel;

namespace look {

inline constexpr QRgb kBackground = 0xFF9ADEF8; // RGB(154, 222, 248)

// The program's default face: Verdana 8.25 point, regular.
QFont baseFont();
// Paints the background colour on a window, a label or a button.
void paint(QWidget *widget);
void paint(std::initializer_list<QWidget *> widgets);
void setBold(QWidget *widget, bool bold = true);
void setPointSize(QWidget *widget, qreal points);
// Moves a window to the middle of its screen.
void centre(QWidget *window);

} // namespace look
