#pragma once

// A choice among numbered items that the link layer reads and sets without knowing the widget
// that shows it: the serial bar's port and speed groups are two.
class SceltaVoce
{
public:
    virtual ~SceltaVoce() = default;
    // -1 when nothing is selected.
    virtual int itemIndex() const = 0;
    virtual void setItemIndex(int indice) = 0;
};
