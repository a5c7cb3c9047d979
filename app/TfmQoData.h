// The wizard's review page.
#pragma once

#include <QWidget>

class TfmQoData : public QWidget
{
    Q_OBJECT
public:
    // parent is the main window's panel the page fills; the main window creates and destroys it.
    explicit TfmQoData(QWidget* parent);

    // false: show the current state in the controls; true: take the controls' values. False
    // keeps the wizard where it is.
    bool TransferData(bool save);
};
