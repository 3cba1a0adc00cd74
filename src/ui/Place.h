#pragma once

namespace corvina {

// Lays a widget out at fixed coordinates, as the windows are drawn; a negative width takes the
// widget's own, a negative height its size hint's.
template <typename W> W* place(W* widget, int left, int top, int width = -1, int height = -1)
{
    if (width < 0)
        widget->adjustSize();
    widget->setGeometry(left, top, width < 0 ? widget->width() : width,
                        height < 0 ? widget->sizeHint().height() : height);
    return widget;
}

} // namespace corvina
