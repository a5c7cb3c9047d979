// The event detail dialog.
#pragma once

#include <QDialog>

struct CommDateRecord;
class CxGDateUtil;

// Shows one event in its detail dialog, modally, owned by owner.
void ShowEventDetail(QWidget* owner, CommDateRecord* pRecord, CxGDateUtil* pUtil);
