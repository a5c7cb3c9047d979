#include "app/detail/TfmQoDateDetail.h"

void ShowEventDetail(QWidget* /*owner*/, CommDateRecord* /*pRecord*/, CxGDateUtil* /*pUtil*/) {}
