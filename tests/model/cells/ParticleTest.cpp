#include "document/ScenewrightDoc.h"
#include "model/cells/ParticleScript.h"
#include "model/cells/SwParticle.h"
#include "support/BuildingDoc.h"
#include "support/CellFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using P = CSwParticle;

std::unique_ptr<CSwParticle> Preset(int index, const std::string& name = "snow",
                                    const std::string& image = "/art/snow") {
    auto cell = std::make_unique<CSwParticle>();
    EXPECT_TRUE(cell->ApplyPreset(index));
    cell->SetText(P::kClassName, name);
    cell->SetText(P::kImage, image);
    return cell;
}

// The script's own structure: brackets balance outside strings and
// comments, every string ends on its line, and the KAG blocks close in order.
::testing::AssertionResult WellFormed(const std::string& script) {
    std::vector<std::string> open; // KAG blocks, then brackets
    const std::pair<const char*, const char*> blocks[] = {
        {"@if ", "@endif"}, {"@iscript", "@endscript"}, {"@macro ", "@endmacro"}};
    bool inScript = false;
    std::size_t start = 0;
    for (std::size_t end; (end = script.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = script.substr(start, end - start);
        for (const auto& [opening, closing] : blocks) {
            if (line.starts_with(opening))
                open.push_back(closing);
            else if (line == closing && (open.empty() || open.back() != closing))
                return ::testing::AssertionFailure() << "stray " << line;
            else if (line == closing)
                open.pop_back();
        }
        inScript = line == "@iscript" || (inScript && line != "@endscript");
        for (std::size_t i = 0; inScript && i < line.size(); ++i) {
            const char c = line[i];
            if (c == '/' && line.compare(i, 2, "//") == 0)
                break;
            if (c == '"' || c == '\'') {
                while (++i < line.size() && line[i] != c)
                    i += line[i] == '\\';
                if (i >= line.size())
                    return ::testing::AssertionFailure() << "open string: " << line;
            } else if (c == '(' || c == '[' || c == '{') {
                open.push_back(std::string(1, c == '(' ? ')' : c == '[' ? ']' : '}'));
            } else if (c == ')' || c == ']' || c == '}') {
                if (open.empty() || open.back() != std::string(1, c))
                    return ::testing::AssertionFailure() << "unbalanced " << c << ": " << line;
                open.pop_back();
            }
        }
    }
    if (!open.empty() || start != script.size())
        return ::testing::AssertionFailure() << "unclosed " << (open.empty() ? "" : open.back());
    return ::testing::AssertionSuccess();
}

const char* const kLightSnow = R"ks(@if exp="typeof(global.snow_object) == 'undefined'"
@iscript

// パーティクル処理クラス
class snowGrain
{
  var fore; // 表画面のパーティクルオブジェクト
  var back; // 裏画面のパーティクルオブジェクト
  var xvelo; // 横速度
  var yvelo; // 縦速度
  var xaccel; // 横加速
  var yaccel; // 縦加速
  var l, t; // 横位置と縦位置
  var particleindex = 0; // パーティクルの種類番号(0以上)
  var passedtick; // アニメ画像の更新からの経過時間
  var ownwer; // このオブジェクトを所有する snowPlugin オブジェクト
  var spawned = false; // パーティクルが出現しているか
  var window; // ウィンドウオブジェクトへの参照

  // snowGrain コンストラクタ
  function snowGrain(window, n, owner)
  {
    this.owner = owner;
    this.window = window;

    fore = new Layer(window, window.fore.base);
    back = new Layer(window, window.back.base);

    fore.absolute = 1; // 重ね合わせ順序はメッセージ履歴よりも奥
    back.absolute = fore.absolute;

    fore.hitType = htMask;
    fore.hitThreshold = 256; // マウスメッセージは全域透過
    back.hitType = htMask;
    back.hitThreshold = 256;

    fore.loadImages("snow_" + n); // 画像を読み込む
    back.assignImages(fore);
    fore.setSizeToImageSize(); // レイヤのサイズを画像のサイズと同じに
    back.setSizeToImageSize();

    particleindex = n;

    initsettings(); //出現座標を設定する。
  }

  function finalize()
  {
    invalidate fore;
    invalidate back;
  }

  // 出現時の（座標、初期速度、加速度）を設定する
  function initsettings()
  {
    l = Math.random() * window.primaryLayer.width; // 横初期位置
    t = -fore.height; // 縦初期位置
    xvelo = 0; // 横方向速度
    yvelo = particleindex*0.6 + 1.9 + Math.random() * 0.2; // 縦方向速度
    xaccel = Math.random(); // 初期加速度
    yaccel = 0; // 初期加速度
    passedtick = System.getTickCount() + intrandom(0, 0);
  }

  // 出現
  function spawn()
  {
    initsettings(); //出現座標を設定する。
    spawned = true;
    fore.setPos(l, t);
    back.setPos(l, t); // 裏画面の位置も同じに
    fore.visible = owner.foreVisible;
    back.visible = owner.backVisible;
  }

  // 表示・非表示の状態を再設定する
  function resetVisibleState()
  {
    if(spawned)
    {
      fore.visible = owner.foreVisible;
      back.visible = owner.backVisible;
    }
    else
    {
      fore.visible = false;
      back.visible = false;
    }
  }

  // パーティクルを動かす
  function move()
  {
    if(!spawned)
    {
      // 出現していないので出現する機会をうかがう
      if(Math.random() < 0.002) spawn();
    }
    else
    {
      l += xvelo;
      t += yvelo;
      xvelo += xaccel;
      yvelo += yaccel;
      xaccel += (Math.random() - 0.5) * 0.3;
      yaccel += 0;
      if(xvelo>=1.500000) xvelo=1.500000;
      if(xvelo<=-1.500000) xvelo=-1.500000;
      if(xaccel>=0.200000) xaccel=0.200000;
      if(xaccel<=-0.200000) xaccel=-0.200000;
      if(t >= window.primaryLayer.height) initsettings(); //出現座標を設定する。
      fore.setPos(l, t);
      back.setPos(l, t); // 裏画面の位置も同じに
    }
  }

  // 表と裏の管理情報を交換する
  function exchangeForeBack()
  {
    var tmp = fore;
    fore = back;
    back = tmp;
  }
}

// パーティクルを表示するプラグインクラス
class snowPlugin extends KAGPlugin
{

  var particles = []; // パーティクル
  var timer; // タイマ
  var window; // ウィンドウへの参照
  var foreVisible = true; // 表画面が表示状態かどうか
  var backVisible = true; // 裏画面が表示状態かどうか
  var particleNum = 0;    // 出現させる個数

  function snowPlugin(window)
  {
    super.KAGPlugin();
    this.window = window;
  }

  // このクラスの管理する全てのオブジェクトを明示的に破棄
  function finalize()
  {
    for(var i = 0; i < particles.count; i++)
      invalidate particles[i];
    invalidate particles;

    invalidate timer if timer !== void;

    super.finalize(...);
  }

  // num 個のパーティクルを出現させる
  function init(options)
  {
    if(timer !== void) return; // すでにパーティクルはでている

    // デフォルトの表示設定と出現個数を設定する。
    foreVisible = true;
    backVisible = true;
    particleNum = 17;
    // オプションが設定されていれば、デフォルトを上書きするかたちで設定する。
    setOptions(options);

    // パーティクルを作成
    for(var i = 0; i < particleNum; i++)
    {
      var n = intrandom(0, 3); // パーティクルの大きさ ( ランダム )
      particles[i] = new snowGrain(window, n, this);
    }
    if(particles.count > 0) particles[0].spawn(); // 最初のパーティクルだけは最初から表示

    // タイマーを作成
    timer = new Timer(onTimer, '');
    timer.interval = 80;
    timer.enabled = true;
    // 生成したオブジェクト全てにオプションを適用する。
    resetVisibleState();
  }

  // パーティクルを消す
  function uninit()
  {
    if(timer === void) return; // パーティクルは出ていない

    for(var i = 0; i < particles.count; i++)
      invalidate particles[i];
    particles.count = 0;

    invalidate timer;
    timer = void;
  }

  // オプションを設定する
  function setOptions(elm)
  {
    foreVisible = +elm.forevisible if elm.forevisible !== void;
    backVisible = +elm.backvisible if elm.backvisible !== void;
    particleNum = +elm.count       if elm.count       !== void;
    resetVisibleState();
  }

  // タイマーの周期ごとに呼ばれる
  function onTimer()
  {
    var particlecount = particles.count;
    for(var i = 0; i < particlecount; i++)
      particles[i].move(); // move メソッドを呼び出す
  }

  // 全てのパーティクルの 表示・非表示の状態を再設定する
  function resetVisibleState()
  {
    var particlecount = particles.count;
    for(var i = 0; i < particlecount; i++)
      particles[i].resetVisibleState(); // resetVisibleState メソッドを呼び出す
  }

  // 栞を保存するとき
  function onStore(f, elm)
  {
    var dic = f.particles_of_snow = %[];
    dic.init = (timer !== void);
    dic.foreVisible = foreVisible;
    dic.backVisible = backVisible;
    dic.particlecount = particles.count;
  }

  // 栞を読み出すとき
  function onRestore(f, clear, elm)
  {
    var dic = f.particles_of_snow;
    if((dic === void) || !+dic.init)
    {
      // パーティクルは出ていない
      uninit();
    }
    else if((dic !== void) && +dic.init)
    {
      // パーティクルは出ていた
      init(%[ count : dic.particlecount, forevisible : dic.foreVisible, backvisible : dic.backVisible ] );
    }
  }

  function onStableStateChanged(stable)
  {
  }

  function onMessageHiddenStateChanged(hidden)
  {
  }

  // レイヤの表←→裏情報のコピー
  function onCopyLayer(toback)
  {
    // このプラグインではコピーすべき情報は表示・非表示の情報だけ
    if(toback)
    {
      // 表→裏
      backVisible = foreVisible;
    }
    else
    {
      // 裏→表
      foreVisible = backVisible;
    }
    resetVisibleState();
  }

  // 裏と表の管理情報を交換
  function onExchangeForeBack()
  {
    var particlecount = particles.count;
    for(var i = 0; i < particlecount; i++)
      particles[i].exchangeForeBack(); // exchangeForeBack メソッドを呼び出す
  }
}
// プラグインオブジェクトを作成し、登録する
kag.addPlugin(global.snow_object = new snowPlugin(kag));
@endscript
@endif
; マクロ登録するときは、ここに登録して下さい。
;snowinit --- 表示を開始。
;  count : 出現させるパーティクルの個数。
;    指定されない場合の初期値は 17 個。
;  forevisible : 表画面の泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
;  backvisible : 裏画面での泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
@macro name="snowinit"
@eval exp="snow_object.init(mp)"
@endmacro
;snowuninit --- 表示を終了。
@macro name="snowuninit"
@eval exp="snow_object.uninit()"
@endmacro
;snowopt --- オプションを設定。
;  forevisible : 表画面の泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
;  backvisible : 裏画面での泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
@macro name="snowopt"
@eval exp="snow_object.setOptions(mp)"
@eval exp="snow_object.resetVisibleState()"
@endmacro
@return
)ks";

// The lines of `script` from the one holding `first` up to and including
// the one holding `last`.
std::string Lines(const std::string& script, const char* first, const char* last) {
    const std::size_t at = script.find(first);
    const std::size_t from = script.rfind('\n', at) + 1; // 0 on the first line
    const std::size_t to = script.find('\n', script.find(last, from));
    return at == std::string::npos || to == std::string::npos ? ""
                                                              : script.substr(from, to + 1 - from);
}

} // namespace

TEST(ParticleScript, LightSnowIsTheWholeFile) {
    const std::string script = ParticleScript(*Preset(0));
    EXPECT_EQ(script, kLightSnow);
    EXPECT_TRUE(WellFormed(script));
    // The checker itself sees a broken block.
    EXPECT_FALSE(WellFormed(std::string(kLightSnow).replace(script.find("@endmacro"), 9, ";")));
    EXPECT_FALSE(WellFormed(script.substr(0, script.find("  // 出現\n"))));
}

TEST(ParticleScript, PresetsAndAnimationChangeTheirBlocks) {
    const std::string blizzard = ParticleScript(*Preset(2));
    EXPECT_EQ(Lines(blizzard, "      xaccel += ", "      fore.setPos(l, t);"),
              R"(      xaccel += (Math.random()-0.5)*1.2+(Math.random()-0.5) * (particleindex*6.4);
      yaccel += (Math.random()-0.38)*(particleindex*2.4);
      if(xvelo>=64.000000) xvelo=64.000000;
      if(xvelo<=-64.000000) xvelo=-64.000000;
      if(xaccel>=32.000000) xaccel=32.000000;
      if(xaccel<=-32.000000) xaccel=-32.000000;
      if(t <= -fore.height) initsettings(); //出現座標を設定する。
      if(t >= window.primaryLayer.height) initsettings(); //出現座標を設定する。
      fore.setPos(l, t);
)");
    EXPECT_NE(blizzard.find("    timer.interval = 50;\n"), std::string::npos);
    EXPECT_NE(blizzard.find("    particleNum = 48;\n"), std::string::npos);

    const std::string rain = ParticleScript(*Preset(4, "rain", "C:\\art\\rain"));
    EXPECT_EQ(Lines(rain, "    l = ", "    yaccel = "),
              R"(    l = Math.random() * window.primaryLayer.width; // 横初期位置
    t = -fore.height; // 縦初期位置
    xvelo = 0; // 横方向速度
    yvelo = (5 - particleindex) * 30 + 75 + Math.random() * 15; // 縦方向速度
    xaccel = 0; // 初期加速度
    yaccel = 0; // 初期加速度
)");
    EXPECT_NE(rain.find("      if(xvelo<=-1000.000000) xvelo=-1000.000000;\n"), std::string::npos);
    EXPECT_NE(rain.find("      var n = intrandom(0, 2); //"), std::string::npos);
    EXPECT_NE(rain.find("    fore.loadImages(\"rain_\" + n);"), std::string::npos);

    auto bubbles = Preset(8, "bubble");
    const std::string rising = ParticleScript(*bubbles);
    EXPECT_NE(
        rising.find("    t = window.primaryLayer.height; // 縦初期位置\n"
                    "    xvelo = 0; // 横方向速度\n"
                    "    yvelo = -(particleindex*2.4+3.6+Math.random()*0.6); // 縦方向速度\n"),
        std::string::npos);
    EXPECT_EQ(Lines(rising, "      if(xaccel<=", "      fore.setPos(l, t);"),
              R"(      if(xaccel<=-50.000000) xaccel=-50.000000;
      if(t <= -fore.height) initsettings(); //出現座標を設定する。
      fore.setPos(l, t);
)");
    // The vertical limits are kept but not used.
    bubbles->SetReal(P::kYVeloMin, -3.0);
    bubbles->SetReal(P::kYAccelMax, 7.0);
    EXPECT_EQ(ParticleScript(*bubbles), rising);

    // Square animation frames: a random first frame, a frame step on a timer.
    bubbles->SetInteger(P::kAnimation, 1);
    bubbles->SetInteger(P::kAnimeInterval, 120);
    const std::string square = ParticleScript(*bubbles);
    EXPECT_EQ(Lines(square, "    back.assignImages(fore);", "    moveclippos();"),
              R"(    back.assignImages(fore);
    fore.setSize(fore.imageHeight, fore.imageHeight);//表示領域を１単位矩形サイズに設定する。
    back.setSize(fore.imageHeight, back.imageHeight);//表示領域を１単位矩形サイズに設定する。
    fore.imageLeft = -intrandom(0, (fore.imageWidth \ fore.imageHeight)-1) * fore.imageHeight;
    back.imageLeft = fore.imageLeft;

    particleindex = n;

    initsettings(); //出現座標を設定する。
    moveclippos();
)");
    EXPECT_EQ(Lines(square, "  // 表示するコマ画像を決定する", "  // パーティクルを動かす"),
              R"(  // 表示するコマ画像を決定する
  function moveclippos()
  {
    var size = fore.imageHeight;
    var n = fore.imageLeft - size;
    if(n <= -fore.imageWidth) n = 0;
    fore.imageLeft = n;
    back.imageLeft = n;
  }
  // パーティクルを動かす
)");
    EXPECT_EQ(Lines(square, "    else\n    {\n      var tick", "      l += xvelo;"), R"(    else
    {
      var tick = System.getTickCount();      if((tick-passedtick) > 120)
      {
        passedtick = tick;
        moveclippos();
      }
      l += xvelo;
)");
    EXPECT_NE(square.find("intrandom(0, 120);\n"), std::string::npos);
    bubbles->SetInteger(P::kAnimeSegX, 32);
    const std::string strip = ParticleScript(*bubbles);
    EXPECT_NE(
        strip.find(
            "    fore.setSize(32, fore.imageHeight);//表示領域を１単位矩形サイズに設定する。\n"
            "    back.setSize(32, back.imageHeight);//表示領域を１単位矩形サイズに設定する。\n"
            "    fore.imageLeft = 0;\n"
            "    back.imageLeft = fore.imageLeft;\n"),
        std::string::npos);
    EXPECT_NE(strip.find("    var size = 32;\n"), std::string::npos);
    EXPECT_TRUE(WellFormed(square));
    EXPECT_TRUE(WellFormed(strip));
    for (int i = 0; i < CSwParticle::kPresetCount; ++i)
        EXPECT_TRUE(WellFormed(ParticleScript(*Preset(i)))) << CSwParticle::PresetName(i);
    EXPECT_EQ(CSwParticle::PresetName(9), nullptr);
    EXPECT_FALSE(CSwParticle().ApplyPreset(-1));
}

TEST(ParticleScript, EmptyExpressionsAndAuthorTexts) {
    CSwParticle cell;
    cell.SetText(P::kClassName, "dust");
    cell.SetText(P::kImage, "/art/my.\"dust\"");
    cell.SetInteger(P::kResetLeft, 1);
    cell.SetInteger(P::kResetRight, 1);
    const std::string script = ParticleScript(cell);
    EXPECT_EQ(Lines(script, "    l = ", "    yaccel = "), R"(    l = 0; // 横初期位置
    t = 0; // 縦初期位置
    xvelo = 0.0; // 横方向速度
    yvelo = 0.0; // 縦方向速度
    xaccel = 0.0; // 初期加速度
    yaccel = 0.0; // 初期加速度
)");
    EXPECT_EQ(Lines(script, "      xaccel += ", "      fore.setPos(l, t);"),
              R"(      xaccel += 0.0;
      yaccel += 0.0;
      if(xvelo>=0.000000) xvelo=0.000000;
      if(xvelo<=0.000000) xvelo=0.000000;
      if(xaccel>=0.000000) xaccel=0.000000;
      if(xaccel<=0.000000) xaccel=0.000000;
      if(l <= -fore.width) initsettings(); //出現座標を設定する。
      if(l >= window.primaryLayer.width) initsettings(); //出現座標を設定する。
      fore.setPos(l, t);
)");
    // The prefix is loaded whole, its quotes escaped for the TJS string.
    EXPECT_NE(script.find("    fore.loadImages(\"my.\\\"dust\\\"_\" + n);"), std::string::npos);
    EXPECT_TRUE(WellFormed(script));
    // An expression is put in as typed, even one that looks like a placeholder.
    cell.SetText(P::kExpStartX, "${class}");
    EXPECT_NE(ParticleScript(cell).find("    l = ${class}; //"), std::string::npos);
}

TEST(ParticleCell, RecordReadsWritesAndCopiesEveryField) {
    TempFolder temp;
    CScenewrightDoc doc;
    ASSERT_TRUE(doc.WriteProjectFile(temp.File("p.swo").c_str()));
    auto read = ReadCell(R"(<clct>
  <id>4</id>
  <type>125</type>
  <classname>"snow"</classname>
  <image>"art/snow"</image>
  <xvelomin>-1.5</xvelomin>
  <expstarty>"-fore.height"</expstarty>
  <count>0x4</count>
  <resetbottom>5</resetbottom>
  <ClassName>"ignored"</ClassName>
</clct>
)",
                         doc.GetProjectFileFolder());
    ASSERT_TRUE(read);
    EXPECT_EQ(static_cast<CSwParticle&>(*read).Text(P::kImage), temp.File("art/snow"));
    const std::string written = Written(*read, doc.GetProjectFileFolder());
    EXPECT_EQ(written, R"(<clct>
  <id>4</id>
  <type>125</type>
  <parent_id>0</parent_id>
  <child_id>0</child_id>
  <prev_id>0</prev_id>
  <next_id>0</next_id>
  <comment>""</comment>
  <parentlayer>""</parentlayer>
  <classname>"snow"</classname>
  <image>"./art/snow"</image>
  <xvelomin>-1.500000</xvelomin>
  <xvelomax>0.000000</xvelomax>
  <yvelomin>0.000000</yvelomin>
  <yvelomax>0.000000</yvelomax>
  <xaccelmin>0.000000</xaccelmin>
  <xaccelmax>0.000000</xaccelmax>
  <yaccelmin>0.000000</yaccelmin>
  <yaccelmax>0.000000</yaccelmax>
  <expstartx>""</expstartx>
  <expstarty>"-fore.height"</expstarty>
  <expxvelo>""</expxvelo>
  <expyvelo>""</expyvelo>
  <expxaccel>""</expxaccel>
  <expyaccel>""</expyaccel>
  <expxmodaccel>""</expxmodaccel>
  <expymodaccel>""</expymodaccel>
  <left>0</left>
  <top>0</top>
  <width>0</width>
  <height>0</height>
  <count>4</count>
  <interval>80</interval>
  <particlenum>17</particlenum>
  <absolute>1</absolute>
  <resettop>0</resettop>
  <resetbottom>1</resetbottom>
  <resetleft>0</resetleft>
  <resetright>0</resetright>
  <animation>0</animation>
  <animesegx>0</animesegx>
  <animeinterval>0</animeinterval>
</clct>
)");
    EXPECT_EQ(Written(*read->CreateCopy(read.get()), doc.GetProjectFileFolder()), written);
}

TEST(ParticleCell, BuildWritesTheCallThePluginFileAndTheImages) {
    BuildingDoc b;
    b.temp.Write("game/scenario/.keep", "");
    b.temp.Write("art/snow_0.png", "a");
    b.temp.Write("art/snow_0.psd", "p");
    b.temp.Write("art/snow_1.png", "b");
    b.doc.SetBuildStatus(SwBuildStatus::Built);
    auto cell = Preset(0, "snow", b.temp.File("art/snow"));
    cell->SetInteger(P::kCount, 2);
    EXPECT_EQ(BuildText(*cell, &b.doc), "[call storage=\"pplg_snow.ks\"]\n");
    std::string onDisk;
    for (char c : ParticleScript(*cell))
        onDisk += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(b.Game("scenario/pplg_snow.ks"), onDisk);
    EXPECT_EQ(b.Game("image/snow_0.png") + b.Game("image/snow_0.psd") + b.Game("image/snow_1.png"),
              "apb");
    const std::string path = b.temp.File("game/scenario/pplg_snow.ks");
    EXPECT_EQ(b.log.lines, (std::vector<std::string>{
                               "ok: シーン番号7: KAGプラグインファイル " + path + " を生成。",
                               "ok: シーン番号7: 0個目の画像ファイルをコピー。",
                               "ok: シーン番号7: 1個目の画像ファイルをコピー。",
                           }));
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::Built);

    // A kind without a file: the file and the earlier kinds stay, status 5.
    cell->SetInteger(P::kCount, 3);
    CStringOutput out(false);
    EXPECT_FALSE(cell->Build(&out, &b.doc));
    EXPECT_EQ(out.Text(), "[call storage=\"pplg_snow.ks\"]\n");
    EXPECT_EQ(b.log.lines.back(), "error: シーン番号7: 2個目の画像ファイルのコピーに失敗。");
    EXPECT_EQ(b.log.lines.end()[-2], "ok: シーン番号7: 1個目の画像ファイルをコピー。");
    EXPECT_EQ(b.doc.GetBuildStatus(), SwBuildStatus::MediaCopyFailed);

    // A dotted prefix is copied and loaded by the same whole name.
    b.temp.Write("art/my.snow_0.png", "m");
    cell->SetText(P::kImage, b.temp.File("art/my.snow"));
    cell->SetInteger(P::kCount, 1);
    BuildText(*cell, &b.doc);
    EXPECT_EQ(b.Game("image/my.snow_0.png"), "m");
    EXPECT_NE(b.Game("scenario/pplg_snow.ks").find("fore.loadImages(\"my.snow_\" + n);"),
              std::string::npos);

    BuildingDoc noScenario;
    CStringOutput call(false);
    EXPECT_FALSE(cell->Build(&call, &noScenario.doc));
    EXPECT_EQ(call.Text(), "[call storage=\"pplg_snow.ks\"]\n");
    EXPECT_EQ(noScenario.doc.GetBuildStatus(), SwBuildStatus::OutputUnwritable);
    EXPECT_EQ(noScenario.log.lines.back(), "error: シーン番号7: 書き込みモードで " +
                                               noScenario.temp.File("game/scenario/pplg_snow.ks") +
                                               " が開けません。");
}

TEST(ParticleCell, RefusesWhatCannotWorkAndWarnsOfASharedClassName) {
    BuildingDoc b;
    b.temp.Write("game/scenario/.keep", "");
    b.temp.Write("art/snow_0.png", "a");
    const std::string image = b.temp.File("art/snow");
    const std::string badName = "は使えません。半角英字か _ で始まり、半角英数字と _ だけからなる"
                                "名前にしてください。";
    struct Case {
        std::string name, image;
        std::int32_t count;
        std::string message;
        std::int32_t status = SwBuildStatus::CellFailed;
    };
    // A hostile name is a failed cell, not a missing project folder.
    const Case cases[] = {
        {"", image, 1, "クラス名が未設定です。", SwBuildStatus::NoProjectFolder},
        {"../up", image, 1, "クラス名 ../up " + badName},
        {"a/b", image, 1, "クラス名 a/b " + badName},
        {"a b", image, 1, "クラス名 a b " + badName},
        {"a.b", image, 1, "クラス名 a.b " + badName},
        {"9lives", image, 1, "クラス名 9lives " + badName},
        {"雪", image, 1, "クラス名 雪 " + badName},
        {"snow", "", 1, "パーティクル画像名が未設定です。"},
        {"snow", image, 0, "画像の個数が 1 以上ではありません。"},
    };
    for (const Case& c : cases) {
        auto cell = Preset(0, c.name, c.image);
        cell->SetInteger(P::kCount, c.count);
        b.doc.SetBuildStatus(SwBuildStatus::Built);
        CStringOutput out(false);
        EXPECT_FALSE(cell->Build(&out, &b.doc)) << c.message;
        EXPECT_EQ(out.Text(), "");
        EXPECT_EQ(b.doc.GetBuildStatus(), c.status);
        EXPECT_EQ(b.log.lines.back(), "error: シーン番号7: " + c.message);
    }
    EXPECT_EQ(b.Game("up.ks") + b.Game("pplg_up.ks") + b.Game("scenario/pplg_snow.ks"), "");

    auto first = Preset(0, "snow", image);
    first->SetInteger(P::kCount, 1);
    const std::string root = b.doc.GetSettings().root;
    b.doc.GetSettings().root = "";
    CStringOutput out(false);
    EXPECT_FALSE(first->Build(&out, &b.doc));
    EXPECT_EQ(b.log.lines.back(), "error: シーン番号7: プロジェクトのルートのパスが未設定です。");
    b.doc.GetSettings().root = root;

    // The same cell built again is no clash; another cell of that name is,
    // also in another spelling that case-blind file systems take as the same.
    BuildText(*first, &b.doc);
    BuildText(*first, &b.doc);
    auto second = Preset(0, "Snow", image);
    second->SetInteger(P::kCount, 1);
    CSwScene other;
    other.id = 8;
    b.doc.SetBuildingScene(&other);
    b.log.lines.clear();
    BuildText(*second, &b.doc);
    const std::string warnings =
        "warning: シーン番号8: パーティクルのクラス名 Snow がシーン番号7 と"
        "同じため、" +
        b.temp.File("game/scenario/pplg_Snow.ks") + " を上書きします。";
    EXPECT_EQ(b.log.lines.at(0), warnings);
    EXPECT_EQ(b.log.lines.size(), 3u);
}
