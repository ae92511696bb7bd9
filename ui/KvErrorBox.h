#pragma once
// Reports an error of a panel: through the given message sink when there is one (tests record
// there), otherwise in a modal message box over the panel's window.

#include "cpu/MessageSink.h"

class QString;
class QWidget;

void KvReportError(TMessageSink* Sink, QWidget* Parent, const QString& Text);
