// CAboutDlg: the modal About box (template IDD_ABOUTBOX), ended by OK.
#pragma once

#include "framework/Dialog.h"
#include "res/resource.h"

class CAboutDlg : public fw::Dialog {
public:
    CAboutDlg() : fw::Dialog(IDD_ABOUTBOX) {}
};
