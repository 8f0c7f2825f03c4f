#include "model/cells/ParticleScript.h"

#include "model/Values.h"
#include "model/cells/SwParticle.h"
#include "platform/Paths.h"
#include "platform/TjsText.h"

namespace {

// The script in the order the engine reads it. "${name}" marks a value the
// cell puts in; the conditional pieces stand in blocks of their own.

constexpr std::string_view kGuardAndGrainHead =
    R"tjs(@if exp="typeof(global.${class}_object) == 'undefined'"
@iscript

// パーティクル処理クラス
class ${grain}
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
  var ownwer; // このオブジェクトを所有する ${plugin} オブジェクト
  var spawned = false; // パーティクルが出現しているか
  var window; // ウィンドウオブジェクトへの参照

  // ${grain} コンストラクタ
  function ${grain}(window, n, owner)
  {
    this.owner = owner;
    this.window = window;

    fore = new Layer(window, window.fore.base);
    back = new Layer(window, window.back.base);

    fore.absolute = ${absolute}; // 重ね合わせ順序はメッセージ履歴よりも奥
    back.absolute = fore.absolute;

    fore.hitType = htMask;
    fore.hitThreshold = 256; // マウスメッセージは全域透過
    back.hitType = htMask;
    back.hitThreshold = 256;

    fore.loadImages("${image}_" + n); // 画像を読み込む
    back.assignImages(fore);
)tjs";

constexpr std::string_view kWholeImageSize =
    R"tjs(    fore.setSizeToImageSize(); // レイヤのサイズを画像のサイズと同じに
    back.setSizeToImageSize();
)tjs";

constexpr std::string_view kFrameOfGivenWidth =
    R"tjs(    fore.setSize(${segx}, fore.imageHeight);//表示領域を１単位矩形サイズに設定する。
    back.setSize(${segx}, back.imageHeight);//表示領域を１単位矩形サイズに設定する。
    fore.imageLeft = 0;
    back.imageLeft = fore.imageLeft;
)tjs";

// Square frames, starting on a random one.
constexpr std::string_view kSquareFrame =
    R"tjs(    fore.setSize(fore.imageHeight, fore.imageHeight);//表示領域を１単位矩形サイズに設定する。
    back.setSize(fore.imageHeight, back.imageHeight);//表示領域を１単位矩形サイズに設定する。
    fore.imageLeft = -intrandom(0, (fore.imageWidth \ fore.imageHeight)-1) * fore.imageHeight;
    back.imageLeft = fore.imageLeft;
)tjs";

constexpr std::string_view kGrainSettings = R"tjs(
    particleindex = n;

    initsettings(); //出現座標を設定する。
)tjs";

constexpr std::string_view kFirstFrame = R"tjs(    moveclippos();
)tjs";

constexpr std::string_view kGrainSpawnAndVisibility = R"tjs(  }

  function finalize()
  {
    invalidate fore;
    invalidate back;
  }

  // 出現時の（座標、初期速度、加速度）を設定する
  function initsettings()
  {
    l = ${startx}; // 横初期位置
    t = ${starty}; // 縦初期位置
    xvelo = ${xvelo}; // 横方向速度
    yvelo = ${yvelo}; // 縦方向速度
    xaccel = ${xaccel}; // 初期加速度
    yaccel = ${yaccel}; // 初期加速度
    passedtick = System.getTickCount() + intrandom(0, ${animeinterval});
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

)tjs";

constexpr std::string_view kNextFrame = R"tjs(  // 表示するコマ画像を決定する
  function moveclippos()
  {
    var size = ${framesize};
    var n = fore.imageLeft - size;
    if(n <= -fore.imageWidth) n = 0;
    fore.imageLeft = n;
    back.imageLeft = n;
  }
)tjs";

constexpr std::string_view kMoveHead = R"tjs(  // パーティクルを動かす
  function move()
  {
    if(!spawned)
    {
      // 出現していないので出現する機会をうかがう
      if(Math.random() < 0.002) spawn();
    }
    else
    {
)tjs";

// The tick line has no line end of its own: the if shares it.
constexpr std::string_view kAnimationStep =
    R"tjs(      var tick = System.getTickCount();      if((tick-passedtick) > ${animeinterval})
      {
        passedtick = tick;
        moveclippos();
      }
)tjs";

constexpr std::string_view kMoveStep = R"tjs(      l += xvelo;
      t += yvelo;
      xvelo += xaccel;
      yvelo += yaccel;
      xaccel += ${xmodaccel};
      yaccel += ${ymodaccel};
      if(xvelo>=${xvelomax}) xvelo=${xvelomax};
      if(xvelo<=${xvelomin}) xvelo=${xvelomin};
      if(xaccel>=${xaccelmax}) xaccel=${xaccelmax};
      if(xaccel<=${xaccelmin}) xaccel=${xaccelmin};
)tjs";

constexpr std::string_view kResetAtTop =
    R"tjs(      if(t <= -fore.height) initsettings(); //出現座標を設定する。
)tjs";
constexpr std::string_view kResetAtBottom =
    R"tjs(      if(t >= window.primaryLayer.height) initsettings(); //出現座標を設定する。
)tjs";
constexpr std::string_view kResetAtLeft =
    R"tjs(      if(l <= -fore.width) initsettings(); //出現座標を設定する。
)tjs";
constexpr std::string_view kResetAtRight =
    R"tjs(      if(l >= window.primaryLayer.width) initsettings(); //出現座標を設定する。
)tjs";

constexpr std::string_view kMoveTailAndGrainEnd = R"tjs(      fore.setPos(l, t);
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

)tjs";

// particles[0] is guarded: with no particle made (count=0) it is void and
// the engine would stop on it.
constexpr std::string_view kPluginClass = R"tjs(// パーティクルを表示するプラグインクラス
class ${plugin} extends KAGPlugin
{

  var particles = []; // パーティクル
  var timer; // タイマ
  var window; // ウィンドウへの参照
  var foreVisible = true; // 表画面が表示状態かどうか
  var backVisible = true; // 裏画面が表示状態かどうか
  var particleNum = 0;    // 出現させる個数

  function ${plugin}(window)
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
    particleNum = ${particlenum};
    // オプションが設定されていれば、デフォルトを上書きするかたちで設定する。
    setOptions(options);

    // パーティクルを作成
    for(var i = 0; i < particleNum; i++)
    {
      var n = intrandom(0, ${lastkind}); // パーティクルの大きさ ( ランダム )
      particles[i] = new ${grain}(window, n, this);
    }
    if(particles.count > 0) particles[0].spawn(); // 最初のパーティクルだけは最初から表示

    // タイマーを作成
    timer = new Timer(onTimer, '');
    timer.interval = ${interval};
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
    var dic = f.particles_of_${class} = %[];
    dic.init = (timer !== void);
    dic.foreVisible = foreVisible;
    dic.backVisible = backVisible;
    dic.particlecount = particles.count;
  }

  // 栞を読み出すとき
  function onRestore(f, clear, elm)
  {
    var dic = f.particles_of_${class};
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
kag.addPlugin(global.${class}_object = new ${plugin}(kag));
@endscript
@endif
)tjs";

constexpr std::string_view kMacros = R"tjs(; マクロ登録するときは、ここに登録して下さい。
;${class}init --- 表示を開始。
;  count : 出現させるパーティクルの個数。
;    指定されない場合の初期値は ${particlenum} 個。
;  forevisible : 表画面の泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
;  backvisible : 裏画面での泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
@macro name="${class}init"
@eval exp="${class}_object.init(mp)"
@endmacro
;${class}uninit --- 表示を終了。
@macro name="${class}uninit"
@eval exp="${class}_object.uninit()"
@endmacro
;${class}opt --- オプションを設定。
;  forevisible : 表画面の泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
;  backvisible : 裏画面での泡が表示されているかどうか。
;    true なら表示 / false なら非表示。
@macro name="${class}opt"
@eval exp="${class}_object.setOptions(mp)"
@eval exp="${class}_object.resetVisibleState()"
@endmacro
@return
)tjs";

bool IsAsciiLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// An expression the author left empty still has to be a TJS value.
std::string ExpressionOr(const std::string& expression, const char* fallback) {
    return expression.empty() ? std::string(fallback) : expression;
}

} // namespace

bool IsParticleClassName(std::string_view name) {
    if (name.empty() || !(IsAsciiLetter(name[0]) || name[0] == '_'))
        return false;
    for (char c : name) {
        if (!IsAsciiLetter(c) && !(c >= '0' && c <= '9') && c != '_')
            return false;
    }
    return true;
}

std::string ParticleImageBaseName(std::string_view image) {
    return sw::paths::FileNameOf(sw::paths::ToForwardSlashes(image));
}

std::string FillPlaceholders(std::string_view block, std::span<const ScriptValue> values) {
    std::string text;
    std::size_t pos = 0;
    while (pos < block.size()) {
        const std::size_t open = block.find("${", pos);
        const std::size_t close = open == std::string_view::npos ? open : block.find('}', open + 2);
        if (close == std::string_view::npos) {
            text += block.substr(pos);
            break;
        }
        text += block.substr(pos, open - pos);
        const std::string_view name = block.substr(open + 2, close - open - 2);
        const ScriptValue* value = nullptr;
        for (const ScriptValue& candidate : values) {
            if (candidate.name == name)
                value = &candidate;
        }
        text += value ? std::string_view(value->value) : block.substr(open, close + 1 - open);
        pos = close + 1;
    }
    return text;
}

std::string ParticleScript(const CSwParticle& cell) {
    using P = CSwParticle;
    const std::string& name = cell.Text(P::kClassName);
    const bool animated = cell.Integer(P::kAnimation) != 0;
    const std::int32_t frameWidth = cell.Integer(P::kAnimeSegX);
    const ScriptValue values[] = {
        {"class", name},
        {"grain", name + "Grain"},
        {"plugin", name + "Plugin"},
        {"image", EscapeTjsString(ParticleImageBaseName(cell.Text(P::kImage)))},
        {"absolute", std::to_string(cell.Integer(P::kAbsolute))},
        {"segx", std::to_string(frameWidth)},
        {"framesize", frameWidth != 0 ? std::to_string(frameWidth) : "fore.imageHeight"},
        {"animeinterval", std::to_string(cell.Integer(P::kAnimeInterval))},
        {"startx", ExpressionOr(cell.Text(P::kExpStartX), "0")},
        {"starty", ExpressionOr(cell.Text(P::kExpStartY), "0")},
        {"xvelo", ExpressionOr(cell.Text(P::kExpXVelo), "0.0")},
        {"yvelo", ExpressionOr(cell.Text(P::kExpYVelo), "0.0")},
        {"xaccel", ExpressionOr(cell.Text(P::kExpXAccel), "0.0")},
        {"yaccel", ExpressionOr(cell.Text(P::kExpYAccel), "0.0")},
        {"xmodaccel", ExpressionOr(cell.Text(P::kExpXModAccel), "0.0")},
        {"ymodaccel", ExpressionOr(cell.Text(P::kExpYModAccel), "0.0")},
        {"xvelomin", sw::FixedDecimal(cell.Real(P::kXVeloMin))},
        {"xvelomax", sw::FixedDecimal(cell.Real(P::kXVeloMax))},
        {"xaccelmin", sw::FixedDecimal(cell.Real(P::kXAccelMin))},
        {"xaccelmax", sw::FixedDecimal(cell.Real(P::kXAccelMax))},
        {"particlenum", std::to_string(cell.Integer(P::kParticleNum))},
        {"lastkind", std::to_string(cell.Integer(P::kCount) - 1)},
        {"interval", std::to_string(cell.Integer(P::kInterval))},
    };
    std::string text;
    auto add = [&](std::string_view block) { text += FillPlaceholders(block, values); };
    auto addIf = [&](bool wanted, std::string_view block) {
        if (wanted)
            add(block);
    };

    add(kGuardAndGrainHead);
    if (!animated)
        add(kWholeImageSize);
    else
        add(frameWidth != 0 ? kFrameOfGivenWidth : kSquareFrame);
    add(kGrainSettings);
    addIf(animated, kFirstFrame);
    add(kGrainSpawnAndVisibility);
    addIf(animated, kNextFrame);
    add(kMoveHead);
    addIf(animated, kAnimationStep);
    add(kMoveStep);
    addIf(cell.Integer(P::kResetTop) != 0, kResetAtTop);
    addIf(cell.Integer(P::kResetBottom) != 0, kResetAtBottom);
    addIf(cell.Integer(P::kResetLeft) != 0, kResetAtLeft);
    addIf(cell.Integer(P::kResetRight) != 0, kResetAtRight);
    add(kMoveTailAndGrainEnd);
    add(kPluginClass);
    add(kMacros);
    return text;
}
