#!/usr/bin/env bash
# Makes the WAV files the vsthost tests read and the WAV reader's fuzz target
# starts from, with an outside program (sox, installed by tools/bootstrap.sh),
# so that the reader is tried on files it did not write itself.
#
# Every file holds the same 16 frames: left k/8 and right -k/16 for
# k = -8 ... 7, values every format here holds exactly (no dither: -D).
set -euo pipefail
cd "$(dirname "$0")"

perl -e 'for $k (-8..7) { print pack("f<f<", $k / 8, -$k / 16) }' > ramp_stereo.f32
perl -e 'for $k (-8..7) { print pack("f<", $k / 8) }' > ramp_mono.f32

from_stereo() { sox -D -t f32 -r "$1" -c 2 ramp_stereo.f32 "${@:2}"; }
from_mono() { sox -D -t f32 -r "$1" -c 1 ramp_mono.f32 "${@:2}"; }

from_mono 22050 -t wavpcm -b 16 -e signed-integer mono_pcm16.wav
from_stereo 44100 -t wavpcm -b 16 -e signed-integer stereo_pcm16.wav
from_stereo 96000 -t wavpcm -b 24 -e signed-integer stereo_pcm24.wav
from_stereo 48000 -t wav -b 24 -e signed-integer stereo_pcm24_extensible.wav
from_mono 48000 -t wav -b 32 -e floating-point mono_float.wav
from_stereo 32000 -t wav -c 2 -b 32 -e floating-point stereo_float.wav
sox -D -t f32 -r 44100 -c 3 ramp_stereo.f32 -t wav -b 16 -e signed-integer three_channels.wav trim 0s 8s
sox -D -n -r 44100 -c 2 -t wavpcm -b 16 -e signed-integer empty.wav trim 0 0
rm ramp_stereo.f32 ramp_mono.f32
