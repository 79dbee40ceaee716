#include "ui/Look.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
#include <QPalette>
#include <QScreen>
#include <QWidget>

namespace look {

QFont baseFont()
{
    QFont font(QStringLiteral("Verdana"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void paint(QWidget *widget)
{
    if (!widget)
        return;
    QPalette palette = widget->palette();
    const QColor colour = QColor::fromRgb(kBackground);
    palette.setColor(QPalette::Window, colour);
    if (qobject_cast<QAbstractButton *>(widget))
        palette.setColor(QPalette::Button, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void paint(std::initializer_list<QWidget *> widgets)
{
    for (QWidget *w : widgets)
        paint(w);
}

void setBold(QWidget *widget, bool bold)
{
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

void setPointSize(QWidget *widget, qreal points)
{
    QFont font = widget->font();
    font.setPointSizeF(points);
    widget->setFont(font);
}

void centre(QWidget *window)
{
    QScreen *screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    window->move(area.x() + (area.width() - window->width()) / 2,
                 area.y() + (area.height() - window->height()) / 2);
}

} // namespace look
