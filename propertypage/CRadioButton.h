#pragma once
// A radio button of a group: whether it is the one checked.

#include "propertypage/CControlBase.h"

class CRadioButton : public CControlBase {
public:
    using CControlBase::CControlBase;

    bool IsChecked() const { return ButtonState() == BST_CHECKED; }
    void SetChecked(bool bChecked) const { SetButtonState(bChecked ? BST_CHECKED : BST_UNCHECKED); }
    // A group always has one checked: clearing one alone means nothing.
    void Clear() override {}
};
