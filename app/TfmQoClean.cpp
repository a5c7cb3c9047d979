#include "app/TfmQoClean.h"

TfmQoClean::TfmQoClean(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoClean"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
}

bool TfmQoClean::TransferData(bool /*save*/)
{
    // The page's controls arrive with its own work; until then every transfer succeeds.
    return true;
}
