#include "app/TfmQoData.h"

TfmQoData::TfmQoData(QWidget* parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("fmQoData"));
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
}

bool TfmQoData::TransferData(bool /*save*/)
{
    // The page's controls arrive with its own work; until then every transfer succeeds.
    return true;
}
