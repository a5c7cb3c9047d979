#include "app/TfmQoSource.h"

TfmQoSource::TfmQoSource(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoSource"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
}

bool TfmQoSource::TransferData(bool /*save*/)
{
    // The page's controls arrive with its own work; until then every transfer succeeds.
    return true;
}
