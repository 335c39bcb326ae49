#!/usr/bin/python3
"""Synthesises the demo pieces of the app folder's music/ as 16-bit PCM WAV files (22050 Hz,
stereo) in the folder given as the first argument; make_music.sh encodes them into the shipped
formats. Everything is computed here from sine partials, plucked strings (Karplus-Strong), noise
and a small formant model of a voice, with a fixed random seed, so every run gives the same
samples.

    synth.py OUT_DIR
"""

import math
import os
import random
import struct
import sys
import wave

RATE = 22050


class Track:
    def __init__(self, seconds):
        self.n = int(seconds * RATE)
        self.left = [0.0] * self.n
        self.right = [0.0] * self.n

    def add(self, start, samples, gain=1.0, pan=0.0):
        """Mixes mono samples in at start seconds; pan -1 (left) to 1 (right)."""
        first = int(start * RATE)
        gl = gain * math.cos((pan + 1) * math.pi / 4)
        gr = gain * math.sin((pan + 1) * math.pi / 4)
        left, right = self.left, self.right
        for i, v in enumerate(samples):
            j = first + i
            if j >= self.n:
                break
            left[j] += v * gl
            right[j] += v * gr

    def write(self, path, fade=0.08):
        peak = max(1e-9, max(max(abs(v) for v in self.left), max(abs(v) for v in self.right)))
        scale = 0.85 / peak
        fade_n = int(fade * RATE)
        frames = bytearray()
        for i in range(self.n):
            g = scale * min(1.0, (self.n - 1 - i) / fade_n, (i + 1) / 64)
            frames += struct.pack("<hh", int(self.left[i] * g * 32767), int(self.right[i] * g * 32767))
        with wave.open(path, "wb") as out:
            out.setnchannels(2)
            out.setsampwidth(2)
            out.setframerate(RATE)
            out.writeframes(bytes(frames))


def freq(midi):
    return 440.0 * 2 ** ((midi - 69) / 12)


def tone(midi, seconds, partials=((1, 1.0), (2, 0.35), (3, 0.12)), attack=0.01, decay=2.5):
    """A sine-partial tone with a soft attack and exponential decay (higher partials fade faster)."""
    n = int(seconds * RATE)
    f = freq(midi)
    out = [0.0] * n
    attack_n = max(1, int(attack * RATE))
    for k, amplitude in partials:
        w = 2 * math.pi * f * k / RATE
        if f * k > RATE / 2 - 500:
            continue
        d = decay * (1 + 0.7 * (k - 1))
        for i in range(n):
            out[i] += amplitude * math.sin(w * i) * math.exp(-d * i / RATE)
    release = min(n, int(0.03 * RATE))
    for i in range(n):
        env = min(1.0, i / attack_n)
        if i >= n - release:
            env *= (n - i) / release
        out[i] *= env
    return out


def pluck(midi, seconds, brightness=0.5, rng=None):
    """A plucked string (Karplus-Strong)."""
    rng = rng or random.Random(midi)
    period = max(2, int(RATE / freq(midi)))
    buf = [rng.uniform(-1, 1) for _ in range(period)]
    # A softer pluck: the noise burst smoothed once.
    for _ in range(int(3 * (1 - brightness)) + 1):
        buf = [(buf[i] + buf[i - 1]) / 2 for i in range(period)]
    n = int(seconds * RATE)
    out = [0.0] * n
    for i in range(n):
        j = i % period
        v = buf[j]
        out[i] = v
        buf[j] = 0.996 * (v + buf[j - 1]) / 2
    return out


def bell(midi, seconds):
    """An FM bell: a carrier modulated at 3.5 times its frequency, the index falling."""
    n = int(seconds * RATE)
    f = freq(midi)
    wc, wm = 2 * math.pi * f / RATE, 2 * math.pi * f * 3.5 / RATE
    return [math.sin(wc * i + 2.5 * math.exp(-4 * i / RATE) * math.sin(wm * i)) * math.exp(-3 * i / RATE)
            * min(1.0, i / 40) for i in range(n)]


def kick(seconds=0.3):
    n = int(seconds * RATE)
    phase, out = 0.0, []
    for i in range(n):
        t = i / RATE
        phase += 2 * math.pi * (45 + 90 * math.exp(-t * 30)) / RATE
        out.append(math.sin(phase) * math.exp(-t * 12))
    return out


def hat(rng, seconds=0.06):
    n = int(seconds * RATE)
    out, last = [], 0.0
    for i in range(n):
        v = rng.uniform(-1, 1)
        out.append((v - last) * math.exp(-i / RATE * 60))
        last = v
    return out


def pad(midis, seconds):
    """A soft chord: detuned sines with a slow swell."""
    n = int(seconds * RATE)
    out = [0.0] * n
    for m in midis:
        for detune in (-0.08, 0.08):
            w = 2 * math.pi * freq(m + detune) / RATE
            for i in range(n):
                out[i] += math.sin(w * i)
    for i in range(n):
        t = i / n
        out[i] *= min(1.0, t * 4) * min(1.0, (1 - t) * 5) / (2 * len(midis))
    return out


# Chords as MIDI notes.
C, Dm, Em, F, G, Am = [60, 64, 67], [62, 65, 69], [64, 67, 71], [65, 69, 72], [67, 71, 74], [57, 60, 64]


def sunrise():
    """Plucked arpeggios over C G Am F with a pad and a bass."""
    beat = 60 / 112
    track = Track(4 * 2 * beat + 0.6)
    rng = random.Random(1)
    for bar, chord in enumerate([C, G, Am, F]):
        start = bar * 2 * beat
        track.add(start, pad([m - 12 for m in chord], 2 * beat + 0.3), 0.5)
        track.add(start, tone(chord[0] - 24, 2 * beat, decay=1.5), 0.5)
        for step, index in enumerate([0, 1, 2, 1, 0, 2, 1, 2]):
            midi = chord[index] + (12 if step in (2, 5) else 0)
            track.add(start + step * beat / 4, pluck(midi, 0.9, 0.6, rng), 0.45, pan=-0.5 + index * 0.5)
    return track


def night_drive():
    """Sixteenth-note arpeggios in A minor with a kick and hats."""
    beat = 60 / 124
    track = Track(8 * beat + 0.4)
    rng = random.Random(2)
    for bar, chord in enumerate([Am, F, C, G]):
        start = bar * 2 * beat
        bass = tone(chord[0] - 12, 2 * beat, ((1, 1.0), (2, 0.5), (3, 0.3), (4, 0.15)), decay=1.2)
        track.add(start, bass, 0.45)
        for step in range(8):
            midi = (chord + [chord[0] + 12])[[0, 1, 2, 3, 2, 1, 2, 3][step]] + 12
            track.add(start + step * beat / 4, tone(midi, 0.25, ((1, 1.0), (3, 0.3), (5, 0.1)), decay=9),
                      0.22, pan=0.6 if step % 2 else -0.6)
        for b in range(2):
            track.add(start + b * beat, kick(), 0.8)
            track.add(start + b * beat + beat / 2, hat(rng), 0.25, pan=0.3)
    return track


def glass_bells():
    """A pentatonic bell melody over a held fifth."""
    notes = [72, 76, 79, 84, 81, 79, 76, 79, 74, 72]
    step = 0.36
    track = Track(len(notes) * step + 1.6)
    track.add(0, pad([48, 55, 60], len(notes) * step + 1.4), 0.6)
    for i, midi in enumerate(notes):
        track.add(i * step, bell(midi, 1.6), 0.3, pan=math.sin(i) * 0.6)
    return track


def lazy_walk():
    """A walking bass and offbeat piano chords, swung."""
    beat = 60 / 96
    track = Track(8 * beat + 0.5)
    bass = [48, 52, 55, 57, 53, 57, 60, 55]
    chords = [C, C, F, G]
    for i, midi in enumerate(bass):
        track.add(i * beat, tone(midi - 12, beat * 0.95, ((1, 1.0), (2, 0.6), (3, 0.2)), decay=3), 0.6)
    for i in range(8):
        chord = chords[i // 2]
        for j, midi in enumerate(chord):
            track.add(i * beat + beat * 0.66, tone(midi, 0.4, decay=6), 0.16, pan=-0.3 + 0.3 * j)
    return track


def little_waltz():
    """Three-four time: a bass note, then two soft chords; a plucked melody on top."""
    beat = 60 / 150
    track = Track(12 * beat + 0.6)
    rng = random.Random(5)
    for bar, chord in enumerate([F, C, Dm, C]):
        start = bar * 3 * beat
        track.add(start, tone(chord[0] - 24, beat * 1.2, decay=2), 0.6)
        for b in (1, 2):
            for midi in chord:
                track.add(start + b * beat, tone(midi - 12, beat * 0.9, decay=5), 0.14)
    melody = [(0, 77), (1, 76), (2, 74), (3, 72), (4.5, 74), (5, 76), (6, 74), (7, 72), (8, 69), (9, 72),
              (10.5, 71), (11, 72)]
    for at, midi in melody:
        track.add(at * beat, pluck(midi, 1.0, 0.8, rng), 0.4, pan=0.2)
    return track


def morning_chime():
    """A short chime: a rising arpeggio of bells and a chord."""
    track = Track(2.8)
    for i, midi in enumerate([67, 72, 76, 79, 84]):
        track.add(i * 0.14, bell(midi, 1.8), 0.3, pan=-0.6 + i * 0.3)
    track.add(0.7, pad([60, 64, 67], 2.0), 0.7)
    return track


def raindrops():
    """Random drops of a pentatonic scale, plucked, over a soft minor chord."""
    rng = random.Random(7)
    track = Track(5.0)
    track.add(0, pad([57, 64, 69], 4.8), 0.6)
    scale = [69, 72, 74, 76, 79, 81, 84]
    t = 0.05
    while t < 4.0:
        track.add(t, pluck(rng.choice(scale), 0.9, 0.9, rng), 0.35, pan=rng.uniform(-0.8, 0.8))
        t += rng.choice((0.15, 0.3, 0.3, 0.45))
    return track


VOWELS = {  # formant frequencies (Hz) and bandwidths
    "a": ((730, 90), (1090, 110), (2440, 160)),
    "e": ((530, 80), (1840, 100), (2480, 160)),
    "i": ((300, 70), (2200, 100), (3000, 160)),
    "o": ((570, 80), (840, 100), (2410, 160)),
    "u": ((340, 70), (870, 100), (2240, 160)),
}


def resonate(signal, centre, bandwidth):
    """A two-pole resonator."""
    r = math.exp(-math.pi * bandwidth / RATE)
    c1 = 2 * r * math.cos(2 * math.pi * centre / RATE)
    c2 = -r * r
    gain = 1 - r
    y1 = y2 = 0.0
    out = []
    for x in signal:
        y = gain * x + c1 * y1 + c2 * y2
        out.append(y)
        y2, y1 = y1, y
    return out


def speech(seconds, seed, pitch=118):
    """A voice reading in an unknown language: syllables of a glottal pulse train through vowel
    formants, with consonant noise, falling intonation per phrase and pauses between phrases."""
    rng = random.Random(seed)
    track = Track(seconds)
    t = 0.3
    while t < seconds - 1.2:
        words = rng.randint(3, 7)
        phrase_start = t
        phrase_syllables = []
        for _ in range(words):
            for _ in range(rng.randint(1, 3)):
                phrase_syllables.append((t, rng.uniform(0.12, 0.24), rng.choice("aeiou"), rng.random() < 0.6))
                t += phrase_syllables[-1][1] + 0.02
            t += rng.uniform(0.06, 0.14)
        phrase_length = t - phrase_start
        for start, length, vowel, consonant in phrase_syllables:
            n = int(length * RATE)
            progress = (start - phrase_start) / phrase_length
            f0 = pitch * (1.15 - 0.3 * progress) * rng.uniform(0.95, 1.05)
            phase, source = 0.0, []
            for i in range(n):
                phase += f0 * (1 + 0.02 * math.sin(i / RATE * 2 * math.pi * 5)) / RATE
                # A glottal pulse: a fast fall each period, with some breath noise.
                source.append((1 - 2 * (phase % 1.0)) ** 3 + rng.uniform(-0.08, 0.08))
            voiced = [0.0] * n
            for centre, bandwidth in VOWELS[vowel]:
                for i, v in enumerate(resonate(source, centre, bandwidth)):
                    voiced[i] += v
            for i in range(n):
                x = i / n
                voiced[i] *= min(1.0, x * 8) * min(1.0, (1 - x) * 5)
            track.add(start, voiced, 1.0, pan=0.0)
            if consonant:
                burst = [rng.uniform(-1, 1) for _ in range(int(0.05 * RATE))]
                noise = resonate(burst, rng.choice((2500, 4000, 6000)), 1500)
                shaped = [v * 0.35 * math.sin(math.pi * i / len(noise)) for i, v in enumerate(noise)]
                track.add(start - 0.04, shaped)
        t += rng.uniform(0.45, 0.8)
    return track


PIECES = {
    "sunrise": sunrise,
    "night_drive": night_drive,
    "glass_bells": glass_bells,
    "lazy_walk": lazy_walk,
    "little_waltz": little_waltz,
    "morning_chime": morning_chime,
    "raindrops": raindrops,
}


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, make in PIECES.items():
        make().write(os.path.join(out, name + ".wav"))
    speech(20, 11).write(os.path.join(out, "chapter_1.wav"), fade=0.3)
    speech(18, 12, pitch=124).write(os.path.join(out, "chapter_2.wav"), fade=0.3)
    speech(15, 13, pitch=110).write(os.path.join(out, "chapter_3.wav"), fade=0.3)
    return 0


if __name__ == "__main__":
    sys.exit(main())
