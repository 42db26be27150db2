#pragma once
// A check box: checked, unchecked or indeterminate.

#include "propertypage/CControlBase.h"

class CCheckBox : public CControlBase {
public:
    using CControlBase::CControlBase;

    UINT GetState() const { return ButtonState(); }
    void SetState(UINT state) const { SetButtonState(state); }
    void SetChecked(bool bChecked) const { SetButtonState(bChecked ? BST_CHECKED : BST_UNCHECKED); }
    void Clear() override { SetButtonState(BST_UNCHECKED); }
};
