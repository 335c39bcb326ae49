#!/usr/bin/env bash
# Makes the demo folder that ships in the app folder (build/app/music): short pieces synthesised by
# synth.py, one in each format the player reads, and a spoken-like audiobook in Audiobook/.
#
#   Sunrise.mp3              MP3, MPEG-1 Layer III, 44.1 kHz stereo, 128 kbit/s, ID3v1 title
#   Night Drive.ogg          Ogg Vorbis, 44.1 kHz stereo, quality 2
#   Glass Bells.mpc          Musepack, 44.1 kHz stereo
#   Lazy Walk.wav            WAV PCM, 16 bits, 16 kHz mono
#   Morning Chime.wav        WAV PCM, 8 bits, 22.05 kHz mono
#   Little Waltz.wav         WAV Microsoft ADPCM, 22.05 kHz stereo
#   Raindrops.mp3            MP3, MPEG-2.5 Layer III, 11.025 kHz mono, 24 kbit/s
#   Audiobook/Chapter 1.mp3  MP3, MPEG-2 Layer III, 22.05 kHz mono, 40 kbit/s, ID3v1 title
#   Audiobook/Chapter 2.wav  WAV GSM 06.10, 8 kHz mono
#   Audiobook/Chapter 3.ogg  Ogg Vorbis, 22.05 kHz mono, quality 0
#
# Run from anywhere; installs sox, lame, vorbis-tools, musepack-tools and python3 when missing.
# Every run makes the same bytes (fixed seeds; no dither).
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"

# The project's setup installs what is missing, these encoders included.
"$here/../../scripts/setup" sox lame vorbis-tools musepack-tools python3

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 "$here/synth.py" "$work"

# -R: fixed seeds; -D: no dither.
sox() { command sox -R -D -V1 "$@"; }

find "$here" -mindepth 1 \( -name '*.mp3' -o -name '*.ogg' -o -name '*.mpc' -o -name '*.wav' \) -delete
mkdir -p "$here/Audiobook"

sox "$work/sunrise.wav" -r 44100 "$work/sunrise_44k.wav"
lame --quiet --nohist -b 128 --id3v1-only --tt "Sunrise" --ta "Melodeck demo" \
    "$work/sunrise_44k.wav" "$here/Sunrise.mp3"

sox "$work/night_drive.wav" -r 44100 "$work/night_drive_44k.wav"
oggenc -Q -s 1708 -q 2 -t "Night Drive" -a "Melodeck demo" \
    -o "$here/Night Drive.ogg" "$work/night_drive_44k.wav"

sox "$work/glass_bells.wav" -r 44100 "$work/glass_bells_44k.wav"
mpcenc --silent --overwrite --thumb "$work/glass_bells_44k.wav" "$here/Glass Bells.mpc"

sox "$work/lazy_walk.wav" -r 16000 -c 1 -b 16 "$here/Lazy Walk.wav"
sox "$work/morning_chime.wav" -r 22050 -c 1 -b 8 -e unsigned-integer "$here/Morning Chime.wav"
sox "$work/little_waltz.wav" -r 22050 -c 2 -e ms-adpcm "$here/Little Waltz.wav"

sox "$work/raindrops.wav" -r 11025 -c 1 "$work/raindrops_11k.wav"
lame --quiet --nohist -b 24 --id3v1-only --tt "Raindrops" --ta "Melodeck demo" \
    "$work/raindrops_11k.wav" "$here/Raindrops.mp3"

sox "$work/chapter_1.wav" -r 22050 -c 1 "$work/chapter_1_mono.wav"
lame --quiet --nohist -b 40 --id3v1-only --tt "Chapter 1" --ta "Melodeck demo" \
    "$work/chapter_1_mono.wav" "$here/Audiobook/Chapter 1.mp3"
sox "$work/chapter_2.wav" -r 8000 -c 1 -e gsm-full-rate "$here/Audiobook/Chapter 2.wav"
sox "$work/chapter_3.wav" -r 22050 -c 1 "$work/chapter_3_mono.wav"
oggenc -Q -s 1709 -q 0 -t "Chapter 3" -a "Melodeck demo" \
    -o "$here/Audiobook/Chapter 3.ogg" "$work/chapter_3_mono.wav"

du -sh "$here"
