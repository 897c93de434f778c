// CFieldListCtrl: the inspection view's list of plugin fields, one row per
// field. It passes the keys that steer the main window on to it.
#pragma once

#include "framework/ListCtrl.h"

class CFieldListCtrl : public fw::ListCtrl {
public:
    // Marks the row selected (whatever else is selected stays so).
    void SelectRow(int row);

protected:
    bool OnReflectedNotify(NMHDR* nm, LRESULT* result) override;
    void OnKeydown(const NMLVKEYDOWN& key, LRESULT* result);
};

// Tab, Left and Right belong to the main window (pane switching, plugin
// stepping): sends it WM_KEYDOWN for them and returns true; false otherwise.
bool ForwardSteeringKey(WPARAM key);
