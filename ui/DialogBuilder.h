// Turns a dialog template (a table in dialog units) into Qt widgets, the way
// the desktop turns a dialog resource into windows.
#pragma once

#include "res/DialogTemplate.h"

#include <QRect>
#include <QWidget>
#include <map>
#include <vector>

class QFont;

namespace jostle::ui {

// Pixels per dialog unit, from the dialog font: a horizontal unit is a quarter
// of the average character width, a vertical unit an eighth of the font height.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int averageCharWidth, int fontHeight);

    int ToPixelsX(int units) const;
    int ToPixelsY(int units) const;
    QRect ToPixels(int x, int y, int width, int height) const;

private:
    int m_averageCharWidth;
    int m_fontHeight;
};

// The widgets made from one template: each control with an id can be found by
// it; every control, labels included, is kept in template (tab) order.
class BuiltDialog {
public:
    QWidget* Control(int id) const;

    template <class Widget> Widget* ControlAs(int id) const {
        return qobject_cast<Widget*>(Control(id));
    }

    const std::vector<QWidget*>& InTemplateOrder() const { return m_ordered; }

    void Add(int id, QWidget* control);

private:
    std::map<int, QWidget*> m_byId;
    std::vector<QWidget*> m_ordered;
};

// Creates the controls of dialogTemplate as children of parent, gives parent
// the 8-point dialog font of its font family and lays the controls out in its
// units, sets the tab order of the table and places and sizes parent as the
// template says, relative to the owner's client area (a caption, if any,
// becomes the window title). Controls with an id
// are named "ctl_<id>".
BuiltDialog BuildDialog(const templates::DialogTemplate& dialogTemplate, QWidget& parent);

// The objectName of the control with this id.
QString ControlName(int id);

} // namespace jostle::ui
