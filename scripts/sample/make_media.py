#!/usr/bin/env python3
# Writes the sample project's sound effect and voice (short tones, 8 kHz
# mono 16-bit WAV) and the placeholder file of its plugin cell into
# examples/sample/media. The output is the same on every run.
import math
import os
import struct
import wave

RATE = 8000
MEDIA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../examples/sample/media")

def tone(name, parts):
    """parts: (frequency in Hz, seconds) pairs, each fading out."""
    frames = bytearray()
    for frequency, seconds in parts:
        count = int(RATE * seconds)
        for i in range(count):
            fade = 1.0 - i / count
            sample = int(12000 * fade * math.sin(2 * math.pi * frequency * i / RATE))
            frames += struct.pack("<h", sample)
    with wave.open(os.path.join(MEDIA, name), "wb") as out:
        out.setnchannels(1)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(bytes(frames))

tone("chime.wav", [(1320, 0.15), (880, 0.25)])
tone("voice01.wav", [(220, 0.1), (260, 0.1), (200, 0.15)])
# Not a plugin module: the sample's plugin cell lies in a scene the game never reaches.
with open(os.path.join(MEDIA, "placeholder_plugin.dll"), "w", newline="\n") as out:
    out.write("Placeholder of the sample project's plugin cell; not a plugin module.\n")
