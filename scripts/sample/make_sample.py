#!/usr/bin/env python3
# Prints the sample project's scene tree as UTF-8 XML with LF line ends;
# scripts/sample/regenerate.sh turns it into examples/sample/sample.swo.
import sys

SCENE_FIELDS = ["linkto", "select", "title", "linkname", "storage", "exp", "expcond", "expmycond",
                "onenter", "onleave", "hint", "clearmsg", "recordablelabel", "procedure", "mapimage",
                "layer", "clickfreemapimage"]
TEXT = {"title", "linkname", "storage", "exp", "expcond", "expmycond", "onenter", "onleave", "hint",
        "mapimage", "layer"}

def esc(t):
    return t.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;").replace('"', "&quot;")

scenes = {}
order = []

def scene(id, type=10, parent=-1, **fields):
    s = dict(id=id, type=type, parent=parent, child=-1, prev=-1, next=-1, cells=[],
             linkto=-1, select=0, clearmsg=1, recordablelabel=1, procedure=0, clickfreemapimage=1)
    s.update(fields)
    scenes[id] = s
    order.append(id)
    if parent != -1:
        p = scenes[parent]
        if p["child"] == -1:
            p["child"] = id
        else:
            c = scenes[p["child"]]
            while c["next"] != -1:
                c = scenes[c["next"]]
            c["next"] = id
            s["prev"] = c["id"]
    return s

def top(s, after):
    scenes[after]["next"] = s["id"]
    s["prev"] = after

cell_id = [1000]
def cell(scene_id, type, id=None, **fields):
    if id is None:
        cell_id[0] += 1
        id = cell_id[0]
    lines = ["<clct>", f"  <id>{id}</id>", f"  <type>{type}</type>"]
    for k in ("parent_id", "child_id", "prev_id", "next_id"):
        lines.append(f"  <{k}>0</{k}>")
    lines.append('  <comment>""</comment>')
    for k, v in fields.items():
        lines.append(f'  <{k}>"{esc(v)}"</{k}>' if isinstance(v, str) else f"  <{k}>{v}</{k}>")
    lines.append("</clct>")
    scenes[scene_id]["cells"].append("\n".join(lines))

def message(scene_id, text, clean=1):
    cell(scene_id, 102, message=text, clean=clean, logmsg=1)

# The story.
scene(1, title="はじまり")
cell(1, 129, name="clickwait", text="[l][r]")
cell(1, 124, label="opening", headline="オープニング")
cell(1, 121)
cell(1, 114, formula="f.courage = 0")
cell(1, 108, storage="media/theme.wav", fadein=1, time=1500, loop=1)
cell(1, 106, layer="all")
cell(1, 104, layer="base", image="media/sky.png", surface=1)
cell(1, 105, layer="base", surface=0, children=1, time=800, method=0, rule="media/wipe.png", vague=64,
     **{"from": 0}, stay=0)
cell(1, 123, layer="message0", surface=0, withback=0)
cell(1, 103, layer="message0", surface=0, left=20, top=320, width=600, height=140, opacity=160,
     color=0x00203040, visible=1, setcol=1, vertical=0)
cell(1, 120, id=110)
cell(1, 118, id=111, callto_id=10, call=1)
cell(1, 110, id=112, bufno=1, storage="media/chime.wav", fadein=0, time=0, loop=0)
cell(1, 112, id=113, message="おはよう。", logmsg=1, charinf=0, brackettype=0, clean=1,
     color=0xFFFFFF, voice="media/voice01.wav", bufno=2)
cell(1, 128, id=114, tag="wait time=200")
message(1, "ある晴れた日のこと。[clickwait]空は茜色だった。①")
message(1, "どちらへ行こう？", clean=0)
# The choice itself keeps the question on screen and shows only the links:
# a message with [cm] after the links would clear them.
scene(11, parent=1, title="どちらへ", clearmsg=0)
scene(2, parent=11, title="森へ", hint="静かな森")
message(2, "森は静かだった。")
# A layer's back page must match its front page before a transition of that
# layer alone: copy the front over first, then load the picture onto it.
cell(2, 106, id=124, layer="0")
cell(2, 104, layer="0", image="media/fairy.png", surface=1)
cell(2, 105, layer="0", surface=0, children=0, time=500, method=1, rule="", vague=0, **{"from": 0}, stay=0)
cell(2, 116, id=120, time=20, timemode=1, hmax=6, vmax=3, iswait=0)
message(2, "妖精が現れた！")
cell(2, 117, id=121)
cell(2, 111, id=122, bufno=1, fadeout=1, time=300)
cell(2, 127, id=123, text="f.metFairy = true;\nf.fairyVisits = +f.fairyVisits + 1;")
cell(2, 114, formula="f.courage = f.courage + 1")
# The fairy scrolls away: the back page becomes a hidden copy of the front.
cell(2, 106, id=125, layer="0")
cell(2, 103, id=126, layer="0", surface=1, left=-1, top=-1, width=-1, height=-1, opacity=-1,
     color=0, visible=0, setcol=0, vertical=2)
cell(2, 105, layer="0", surface=0, children=0, time=700, method=2, rule="", vague=0, **{"from": 2}, stay=1)
scene(3, type=13, parent=11, title="町へ", mapimage="media/town.png", layer="0", hint="にぎやかな町")
message(3, "町に着いた。どこへ行こう？", clean=0)
scene(4, type=12, parent=2, title="分かれ道")
message(4, "道が二つに分かれている。")
scene(5, parent=4, title="勇気の道", expcond="f.courage >= 1", exp="f.visited = 1")
message(5, "勇気を出して進んだ。")
cell(5, 107, id=130)
scene(6, parent=4, title="帰り道")
message(6, "引き返すことにした。")
cell(6, 109, fadeout=1, time=2000)
cell(6, 122)
scene(7, type=11, parent=11, title="近道", linkto=5, expcond="f.courage >= 1")
scene(8, parent=3, title="宿屋", hint="一休みする")
message(8, "宿屋で一休みした。")
cell(8, 112, id=140, message="いらっしゃいませ。", logmsg=1, charinf=1, brackettype=2, clean=0,
     color=0xFFC0C0, voice="", bufno=0)
scene(9, parent=3, title="市場", expcond="f.money > 0", clickfreemapimage=0)
message(9, "市場で買い物をした。")
scene(10, title="メニュー", procedure=1)
message(10, "メニューです。")
top(scenes[10], 1)
# Nothing calls this scene: its module is a placeholder, not a plugin the
# engine could load, so the game must never reach its loadplugin tag.
scene(100, title="プラグイン（未使用）", procedure=1)
cell(100, 115, id=150, path="media/placeholder_plugin.dll")
cell(100, 119, id=151)
top(scenes[100], 10)
scenes[1]["select"] = 1

# ---- Particle effects: cells 200-249 ----
# Snow while the question is asked, fireflies in the forest, rain on the way
# home; eval cells start and stop them through the generated objects. The
# settings are those of the dialog's presets; scripts/sample/make_particles.py
# draws the images.
saved_cell_id, cell_id[0] = cell_id[0], 199
FROM_ABOVE = dict(expstartx="Math.random() * window.primaryLayer.width", expstarty="-fore.height",
                  expxvelo="0", expyaccel="0", expymodaccel="0", resetleft=0, resetright=0)
FROM_BELOW = dict(FROM_ABOVE, expstarty="window.primaryLayer.height")

def particle(scene_id, classname, settings, **fields):
    cell(scene_id, 125, classname=classname, image=f"media/{classname}", **settings, **fields)

particle(1, "snow", FROM_ABOVE,  # 雪が降る（本降り）
         expyvelo="particleindex*1.8 + 1.9 + Math.random() * 0.6", expxaccel="Math.random()",
         expxmodaccel="(Math.random() - 0.5) * 0.9", xvelomin=-4.5, xvelomax=4.5, xaccelmin=-0.6,
         xaccelmax=0.6, count=4, interval=80, particlenum=50, resettop=0, resetbottom=1)
cell(1, 114, formula="snow_object.init(%[])")
cell(2, 114, formula="snow_object.uninit()")
particle(2, "firefly", FROM_BELOW,  # 泡が水底から上がる（少なめ）, animated
         expyvelo="-(particleindex*0.6 + 1.9 + Math.random() * 0.2)", expxaccel="0",
         expxmodaccel="(Math.random() - 0.5) * 0.3", xvelomin=-1.5, xvelomax=1.5, xaccelmin=-0.2,
         xaccelmax=0.2, count=4, interval=80, particlenum=17, resettop=1, resetbottom=0,
         absolute=2, animation=1, animesegx=0, animeinterval=150)
cell(2, 114, formula="firefly_object.init(%[ count : 12 ])")
particle(6, "rain", FROM_ABOVE,  # 雨が降る（本降り）
         expyvelo="(5 - particleindex) * 30 + 75 + Math.random() * 15", expxaccel="0",
         expxmodaccel="0", xvelomin=-1000.0, xvelomax=1000.0, yvelomin=-1000.0, yvelomax=1000.0,
         count=3, interval=80, particlenum=34, resettop=0, resetbottom=1)
cell(6, 114, formula="rain_object.init(%[])")
cell_id[0] = saved_cell_id
# ---- end of particle effects ----

def scene_xml(s):
    out = ["<SwObject>", f"  <id>{s['id']}</id>", f"  <type>{s['type']}</type>",
           f"  <parent_id>{s['parent']}</parent_id>", f"  <child_id>{s['child']}</child_id>",
           f"  <prev_id>{s['prev']}</prev_id>", f"  <next_id>{s['next']}</next_id>", '  <comment>""</comment>']
    for k in SCENE_FIELDS:
        v = s.get(k, "")
        out.append(f'  <{k}>"{esc(v)}"</{k}>' if k in TEXT else f"  <{k}>{v}</{k}>")
    out += s["cells"]
    out.append("</SwObject>")
    return "\n".join(out)

settings = open(sys.argv[1], encoding="utf-8").read()
body = "\n".join(scene_xml(scenes[i]) for i in order)
print('<?xml version="1.0" encoding="Shift_JIS" ?>\n<SwStrage>\n' + settings.strip() + "\n" + body + "\n</SwStrage>")
