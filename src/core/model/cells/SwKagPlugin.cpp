#include "model/cells/SwKagPlugin.h"

#include "model/BuildContext.h"
#include "platform/TextOutput.h"

CSwKagPlugin::CSwKagPlugin() : CSwCommandOf(SwType::KagPlugin, {}) {}

bool CSwKagPlugin::Build(CTextOutput* file, CBuildContext* doc) {
    if (doc)
        doc->PostLogLine(SwLog::Plain, sw::Format("シーン番号%d: ", id));
    return file != nullptr;
}
