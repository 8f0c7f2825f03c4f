#include "model/cells/SwParticle.h"

#include "model/AssetCopy.h"
#include "model/BuildContext.h"
#include "model/cells/ParticleScript.h"
#include "platform/Paths.h"
#include "platform/TextOutput.h"

namespace {

const CommandField kParticleFields[] = {
    {"parentlayer", FieldKind::Text},     {"classname", FieldKind::Text},
    {"image", FieldKind::FilePath},       {"xvelomin", FieldKind::Real},
    {"xvelomax", FieldKind::Real},        {"yvelomin", FieldKind::Real},
    {"yvelomax", FieldKind::Real},        {"xaccelmin", FieldKind::Real},
    {"xaccelmax", FieldKind::Real},       {"yaccelmin", FieldKind::Real},
    {"yaccelmax", FieldKind::Real},       {"expstartx", FieldKind::Text},
    {"expstarty", FieldKind::Text},       {"expxvelo", FieldKind::Text},
    {"expyvelo", FieldKind::Text},        {"expxaccel", FieldKind::Text},
    {"expyaccel", FieldKind::Text},       {"expxmodaccel", FieldKind::Text},
    {"expymodaccel", FieldKind::Text},    {"left", FieldKind::Integer},
    {"top", FieldKind::Integer},          {"width", FieldKind::Integer},
    {"height", FieldKind::Integer},       {"count", FieldKind::Integer},
    {"interval", FieldKind::Integer, 80}, {"particlenum", FieldKind::Integer, 17},
    {"absolute", FieldKind::Integer, 1},  {"resettop", FieldKind::Flag},
    {"resetbottom", FieldKind::Flag},     {"resetleft", FieldKind::Flag},
    {"resetright", FieldKind::Flag},      {"animation", FieldKind::Flag},
    {"animesegx", FieldKind::Integer},    {"animeinterval", FieldKind::Integer},
};

struct ParticlePreset {
    const char* name;
    const char* startY;
    const char* yVelo;
    const char* xAccel;
    const char* xModAccel;
    const char* yModAccel;
    double xVeloRange[2], yVeloRange[2], xAccelRange[2], yAccelRange[2]; // minimum, maximum
    std::int32_t count, interval, particleNum, resetTop, resetBottom;
};

// Snow falls from above the screen and sways; rain falls straight and fast;
// bubbles rise from the bottom edge.
const char* const kAbove = "-fore.height";
const char* const kBottom = "window.primaryLayer.height";
const char* const kSway = "(Math.random() - 0.5) * 0.3";
const char* const kSwayMore = "(Math.random() - 0.5) * 0.9";
const char* const kRainFall = "(5 - particleindex) * 30 + 75 + Math.random() * 15";

const ParticlePreset kPresets[CSwParticle::kPresetCount] = {
    {"雪が降る（小降り）",
     kAbove,
     "particleindex*0.6 + 1.9 + Math.random() * 0.2",
     "Math.random()",
     kSway,
     "0",
     {-1.5, 1.5},
     {0.0, 0.0},
     {-0.2, 0.2},
     {0.0, 0.0},
     4,
     80,
     17,
     0,
     1},
    {"雪が降る（本降り）",
     kAbove,
     "particleindex*1.8 + 1.9 + Math.random() * 0.6",
     "Math.random()",
     kSwayMore,
     "0",
     {-4.5, 4.5},
     {0.0, 0.0},
     {-0.6, 0.6},
     {0.0, 0.0},
     4,
     80,
     50,
     0,
     1},
    {"雪が降る（吹雪）",
     kAbove,
     "particleindex*9.6 + 3.2 + Math.random() * 1.8",
     "Math.random()",
     "(Math.random()-0.5)*1.2+(Math.random()-0.5) * (particleindex*6.4)",
     "(Math.random()-0.38)*(particleindex*2.4)",
     {-64.0, 64.0},
     {0.0, 0.0},
     {-32.0, 32.0},
     {-32.0, 32.0},
     4,
     50,
     48,
     1,
     1},
    {"雨が降る（小降り）",
     kAbove,
     kRainFall,
     "0",
     "0",
     "0",
     {-1000.0, 1000.0},
     {-1000.0, 1000.0},
     {0.0, 0.0},
     {0.0, 0.0},
     3,
     80,
     17,
     0,
     1},
    {"雨が降る（本降り）",
     kAbove,
     kRainFall,
     "0",
     "0",
     "0",
     {-1000.0, 1000.0},
     {-1000.0, 1000.0},
     {0.0, 0.0},
     {0.0, 0.0},
     3,
     80,
     34,
     0,
     1},
    {"雨が降る（どしゃ降り）",
     kAbove,
     kRainFall,
     "0",
     "0",
     "0",
     {-1000.0, 1000.0},
     {-1000.0, 1000.0},
     {0.0, 0.0},
     {0.0, 0.0},
     3,
     80,
     54,
     0,
     1},
    {"泡が水底から上がる（少なめ）",
     kBottom,
     "-(particleindex*0.6 + 1.9 + Math.random() * 0.2)",
     "0",
     kSway,
     "0",
     {-1.5, 1.5},
     {0.0, 0.0},
     {-0.2, 0.2},
     {0.0, 0.0},
     4,
     80,
     17,
     1,
     0},
    {"泡が水底から上がる（普通）",
     kBottom,
     "-(particleindex*1.8 + 1.9 + Math.random() * 0.6)",
     "0",
     kSwayMore,
     "0",
     {-10.0, 10.0},
     {0.0, 0.0},
     {-1.0, 1.0},
     {0.0, 0.0},
     4,
     80,
     36,
     1,
     0},
    {"泡が水底から上がる（多め）",
     kBottom,
     "-(particleindex*2.4+3.6+Math.random()*0.6)",
     "0",
     "(Math.random()-0.5)*0.2+(Math.random()-0.5)*(particleindex*0.8)",
     "(Math.random()-0.8)*0.28+(Math.random()-0.8)*(particleindex*2.0)",
     {-50.0, 50.0},
     {-50.0, 50.0},
     {-50.0, 50.0},
     {-50.0, 50.0},
     4,
     80,
     54,
     1,
     0},
};

} // namespace

CSwParticle::CSwParticle() : CSwCommandOf(SwType::Particle, kParticleFields) {}

const char* CSwParticle::PresetName(int index) {
    return index >= 0 && index < kPresetCount ? kPresets[index].name : nullptr;
}

bool CSwParticle::ApplyPreset(int index) {
    if (PresetName(index) == nullptr)
        return false;
    const ParticlePreset& preset = kPresets[index];
    SetText(kExpStartX, "Math.random() * window.primaryLayer.width");
    SetText(kExpStartY, preset.startY);
    SetText(kExpXVelo, "0");
    SetText(kExpYVelo, preset.yVelo);
    SetText(kExpXAccel, preset.xAccel);
    SetText(kExpYAccel, "0");
    SetText(kExpXModAccel, preset.xModAccel);
    SetText(kExpYModAccel, preset.yModAccel);
    SetReal(kXVeloMin, preset.xVeloRange[0]);
    SetReal(kXVeloMax, preset.xVeloRange[1]);
    SetReal(kYVeloMin, preset.yVeloRange[0]);
    SetReal(kYVeloMax, preset.yVeloRange[1]);
    SetReal(kXAccelMin, preset.xAccelRange[0]);
    SetReal(kXAccelMax, preset.xAccelRange[1]);
    SetReal(kYAccelMin, preset.yAccelRange[0]);
    SetReal(kYAccelMax, preset.yAccelRange[1]);
    SetInteger(kCount, preset.count);
    SetInteger(kInterval, preset.interval);
    SetInteger(kParticleNum, preset.particleNum);
    SetInteger(kResetTop, preset.resetTop);
    SetInteger(kResetBottom, preset.resetBottom);
    SetInteger(kResetLeft, 0);
    SetInteger(kResetRight, 0);
    return true;
}

bool CSwParticle::Refuse(CBuildContext* doc, std::string_view message, std::int32_t status) const {
    doc->PostLogLine(SwLog::Error, sw::Format("シーン番号%d: ", doc->GetBuildingSceneId()) +
                                       std::string(message));
    doc->SetBuildStatus(status);
    return false;
}

bool CSwParticle::Build(CTextOutput* file, CBuildContext* doc) {
    if (file == nullptr || doc == nullptr)
        return false;
    const std::string& name = Text(kClassName);
    if (doc->GetProjectRoot().empty())
        return Refuse(doc, "プロジェクトのルートのパスが未設定です。",
                      SwBuildStatus::NoProjectFolder);
    if (name.empty())
        return Refuse(doc, "クラス名が未設定です。", SwBuildStatus::NoProjectFolder);
    // The name becomes a file name and part of TJS names: a separator or
    // ".." would write outside the scenario folder, other characters would
    // give a script the engine rejects.
    if (!IsParticleClassName(name))
        return Refuse(doc,
                      sw::Format("クラス名 %s は使えません。半角英字か _ で始まり、"
                                 "半角英数字と _ だけからなる名前にしてください。",
                                 name.c_str()),
                      SwBuildStatus::CellFailed);
    if (Text(kImage).empty())
        return Refuse(doc, "パーティクル画像名が未設定です。", SwBuildStatus::CellFailed);
    // Without an image kind the script would load no image at run time.
    if (Integer(kCount) < 1)
        return Refuse(doc, "画像の個数が 1 以上ではありません。", SwBuildStatus::CellFailed);

    file->Printf("[call storage=\"pplg_%s.ks\"]\n", name.c_str());
    return WritePluginFile(doc) && CopyImages(doc);
}

bool CSwParticle::WritePluginFile(CBuildContext* doc) const {
    const int sceneId = doc->GetBuildingSceneId();
    const std::string output = "scenario/pplg_" + Text(kClassName) + ".ks";
    const std::string path = sw::paths::Join(doc->GetProjectRoot(), output);
    if (doc->IsPreviewing())
        return true;
    CFileOutput plugin;
    std::string refused;
    bool written = plugin.Open(doc->GetProjectRoot(), output, &refused);
    if (written) {
        plugin.Write(ParticleScript(*this));
        written = plugin.Close(); // a full disk must not pass for a written file
    }
    if (!written) {
        doc->PostLogLine(SwLog::Error,
                         sw::Format("シーン番号%d: ", sceneId) +
                             (refused.empty()
                                  ? sw::Format("書き込みモードで %s が開けません。", path.c_str())
                                  : LinkOutOfRootMessage(refused)));
        doc->SetBuildStatus(SwBuildStatus::OutputUnwritable);
        return false;
    }
    // Two cells of one class name share the file and its TJS classes: the
    // later one wins, which the author should hear of.
    const std::string source = sw::Format("particle cell %p", static_cast<const void*>(this));
    if (const auto earlier = doc->ClaimBuildOutput(output, source))
        doc->PostLogLine(SwLog::Warning,
                         sw::Format("シーン番号%d: パーティクルのクラス名 %s がシーン番号%d と"
                                    "同じため、%s を上書きします。",
                                    sceneId, Text(kClassName).c_str(), earlier->sceneId,
                                    path.c_str()));
    doc->PostLogLine(SwLog::Ok, sw::Format("シーン番号%d: KAGプラグインファイル %s を生成。",
                                           sceneId, path.c_str()));
    return true;
}

bool CSwParticle::CopyImages(CBuildContext* doc) const {
    const int sceneId = doc->GetBuildingSceneId();
    std::vector<std::string> copied;
    for (std::int32_t i = 0; i < Integer(kCount); ++i) {
        const std::string pattern = sw::Format("%s_%d.*", Text(kImage).c_str(), i);
        if (!CopyAssetsMatching(doc, "image", pattern, copied)) {
            doc->PostLogLine(
                SwLog::Error,
                sw::Format("シーン番号%d: %d個目の画像ファイルのコピーに失敗。", sceneId, i));
            if (doc->GetBuildStatus() != SwBuildStatus::OutputUnwritable)
                doc->SetBuildStatus(SwBuildStatus::MediaCopyFailed);
            return false;
        }
        doc->PostLogLine(SwLog::Ok,
                         sw::Format("シーン番号%d: %d個目の画像ファイルをコピー。", sceneId, i));
    }
    return true;
}
