#include "commands/SwKagPlugin.h"

#include "document/DocumentUpdate.h"
#include "document/ScenewrightDoc.h"
#include "platform/TextOutput.h"

CSwKagPlugin::CSwKagPlugin() : CSwCommandOf(SwType::KagPlugin, {}) {}

bool CSwKagPlugin::Build(CTextOutput* file, CScenewrightDoc* doc) {
    if (doc)
        doc->PostLogLine(SwLog::Plain, sw::Format("シーン番号%d: ", id));
    return file != nullptr;
}
