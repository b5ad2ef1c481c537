#!/bin/sh
# Makes the game's sounds: the fourteen event sounds (synthesised with sox) and
# the twenty chatter sounds (spoken by espeak-ng, or synthesised where a voice
# cannot say it). Every file is mono, 16-bit, 22050 Hz and short, so the whole
# set stays small enough to live inside the program.
# Reproducible: sox runs with -R (fixed random numbers, no dither) and
# espeak-ng is deterministic, so re-running on the same tools gives the same bytes.
# Usage: tools/make-sounds.sh [output-folder]   (default: resources/sounds)
set -eu

out=${1:-"$(dirname "$0")/../resources/sounds"}
mkdir -p "$out"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

RATE=22050
# -R: the same "random" noise on every run; -D: no dither (it is random too).
SOX="sox -R -D"
FMT="-r $RATE -c 1 -b 16 -e signed-integer"

# synth <file> <sox synth and effect arguments...>: one synthesised part.
synth() {
    f=$1
    shift
    $SOX -n $FMT "$tmp/$f" "$@"
}

# speak <file> <voice> <pitch> <speed> <text>: one spoken part.
speak() {
    espeak-ng -v "$2" -p "$3" -s "$4" -w "$tmp/raw-$1" "$5"
    $SOX "$tmp/raw-$1" $FMT "$tmp/$1" silence 1 0.01 0.5% reverse silence 1 0.01 0.5% reverse
}

# finish <name> <part files...>: joins the parts, evens the level and writes the sound.
finish() {
    name=$1
    shift
    set -- $(for p in "$@"; do echo "$tmp/$p"; done)
    if [ $# -gt 1 ]; then
        $SOX "$@" $FMT "$tmp/joined.wav"
    else
        cp "$1" "$tmp/joined.wav"
    fi
    $SOX "$tmp/joined.wav" $FMT "$out/$name.wav" norm -3
}

# mix <out> <parts...>: plays the parts at once.
mix() {
    o=$1
    shift
    set -- $(for p in "$@"; do echo "$tmp/$p"; done)
    $SOX -m "$@" $FMT "$tmp/$o"
}

# ---- event sounds

# A tile laid down: a dry wooden click.
synth click.wav synth 0.035 whitenoise fade q 0.001 0.035 0.03 bandpass 2500 800 gain -2
synth knock.wav synth 0.035 sine 900 fade q 0.001 0.035 0.033
mix puttile-m.wav click.wav knock.wav
finish puttile puttile-m.wav

# Tiles swept back: a short falling whoosh.
synth clear.wav synth 0.22 pinknoise fade q 0.02 0.22 0.16 sinc 600-5000 gain -4
synth clear2.wav synth 0.22 sine 1400-300 fade q 0.005 0.22 0.18 gain -10
mix clear-m.wav clear.wav clear2.wav
finish clear clear-m.wav

# Someone joined: a ding-dong door bell.
synth ding.wav synth 0.45 pluck E5 fade q 0 0.45 0.35
synth dong.wav synth 0.7 pluck C5 fade q 0 0.7 0.6
finish entered ding.wav dong.wav

# A category box is full: three rising plucked notes.
synth f1.wav synth 0.12 pluck C5
synth f2.wav synth 0.12 pluck E5
synth f3.wav synth 0.35 pluck G5 fade q 0 0.35 0.3
finish filled f1.wav f2.wav f3.wav

# Game over: a little brass fanfare.
synth g1.wav synth 0.16 sawtooth G4 lowpass 2000 fade q 0.01 0.16 0.03
synth g2.wav synth 0.16 sawtooth C5 lowpass 2000 fade q 0.01 0.16 0.03
synth g3.wav synth 0.16 sawtooth E5 lowpass 2000 fade q 0.01 0.16 0.03
synth g4.wav synth 0.8 sawtooth G5 lowpass 2000 tremolo 6 30 fade q 0.01 0.8 0.5
finish gameover g1.wav g2.wav g3.wav g4.wav

# A word accepted: a bright two-bell chime.
synth c1.wav synth 0.9 sine 1318.5 fade l 0.003 0.9 0.85
synth c2.wav synth 0.9 sine 1975.5 fade l 0.003 0.9 0.85 gain -6
synth c3.wav synth 0.9 sine 2637 fade l 0.003 0.6 0.55 gain -12
mix goodword-m.wav c1.wav c2.wav c3.wav
finish goodword goodword-m.wav

# A word rejected: a low, harsh buzz.
synth b1.wav synth 0.45 square 98 fade q 0.005 0.45 0.05
synth b2.wav synth 0.45 sawtooth 104 fade q 0.005 0.45 0.05
mix badword-m.wav b1.wav b2.wav
$SOX "$tmp/badword-m.wav" $FMT "$tmp/badword-d.wav" overdrive 10
finish badword badword-d.wav

# A player finished a fast turn: a soft upward "whoop".
synth pass.wav synth 0.25 sine 400-900 fade q 0.01 0.25 0.1
finish pass pass.wav

# Zirked: a rising and falling siren, twice.
synth z1.wav synth 0.35 sine 600-1300
synth z2.wav synth 0.35 sine 1300-600
finish zirked z1.wav z2.wav z1.wav z2.wav

# The word lists come up: a quick harp glissando.
synth s1.wav synth 0.07 pluck C5
synth s2.wav synth 0.07 pluck D5
synth s3.wav synth 0.07 pluck E5
synth s4.wav synth 0.07 pluck G5
synth s5.wav synth 0.3 pluck C6
finish showlist s1.wav s2.wav s3.wav s4.wav s5.wav

# The clock: one mechanical tick.
synth t1.wav synth 0.02 whitenoise fade q 0 0.02 0.019 highpass 3000
synth t2.wav synth 0.02 sine 3200 fade q 0 0.02 0.019 gain -4
mix time-m.wav t1.wav t2.wav
synth tpad.wav synth 0.04 sine 0 gain -100
finish time time-m.wav tpad.wav

# Time is up: an alarm bell ringing.
synth bell.wav synth 1.0 sine 1250 sine 0 tremolo 24 90 fade q 0.005 1.0 0.3
finish timeup bell.wav

# Your turn (classic): a single bell "ding".
synth turn.wav synth 0.8 sine 1760 fade l 0.002 0.8 0.75
synth turn2.wav synth 0.8 sine 880 fade l 0.002 0.8 0.75 gain -6
mix turn-m.wav turn.wav turn2.wav
finish turn turn-m.wav

# Your turn (new): a three-note marimba call.
synth m1.wav synth 0.14 sine A5 fade q 0.002 0.14 0.12
synth m2.wav synth 0.14 sine C6 fade q 0.002 0.14 0.12
synth m3.wav synth 0.4 sine E6 fade q 0.002 0.4 0.36
finish turnnew m1.wav m2.wav m3.wav

# ---- chatter sounds, in menu order (wave1 .. wave20)

speak doh.wav en-us 40 150 "D'oh!"
finish wave1 doh.wav

# Cough: two short bursts of breathy noise.
synth k1.wav synth 0.18 brownnoise fade q 0.01 0.18 0.14 bandpass 700 600
synth k2.wav synth 0.08 sine 0 gain -100
synth k3.wav synth 0.22 brownnoise fade q 0.01 0.22 0.18 bandpass 600 600
finish wave2 k1.wav k2.wav k3.wav

speak hello.wav en-us 50 150 "Hello!"
finish wave3 hello.wav

speak thanks.wav en-us 50 150 "Thank you!"
finish wave4 thanks.wav

speak where.wav en-us 50 150 "Where have you been?"
finish wave5 where.wav

# Snoring: a slow, rumbling breath in and out.
synth sn1.wav synth 1.0 brownnoise lowpass 400 tremolo 30 80 fade h 0.4 1.0 0.4
synth sn2.wav synth 0.3 sine 0 gain -100
synth sn3.wav synth 0.8 pinknoise lowpass 1200 fade h 0.2 0.8 0.5 gain -8
finish wave6 sn1.wav sn2.wav sn3.wav

speak sneeze.wav en-us 70 160 "Ah... ah... choo!"
finish wave7 sneeze.wav

speak sorry.wav en-us 45 140 "Sorry!"
finish wave8 sorry.wav

speak welcome.wav en-us 50 150 "Welcome!"
finish wave9 welcome.wav

speak yeehaa.wav en-us 80 170 "Yee haw!"
finish wave10 yeehaa.wav

speak yippee.wav en-us+f3 85 170 "Yippee!"
finish wave11 yippee.wav

speak ohno.wav en-us 35 120 "Oh no!"
finish wave12 ohno.wav

# Applause: many hands, noise chopped into quick claps.
synth ap1.wav synth 1.6 pinknoise bandpass 1800 1500 tremolo 17 90 fade q 0.1 1.6 0.6
synth ap2.wav synth 1.6 whitenoise bandpass 2500 1500 tremolo 23 85 fade q 0.1 1.6 0.6 gain -4
mix applause-m.wav ap1.wav ap2.wav
finish wave13 applause-m.wav

# Honk: a two-tone car horn.
synth h1.wav synth 0.5 square 400 lowpass 1500 fade q 0.01 0.5 0.05
synth h2.wav synth 0.5 square 500 lowpass 1500 fade q 0.01 0.5 0.05
mix honk-m.wav h1.wav h2.wav
finish wave14 honk-m.wav

speak oooh.wav en-us+f2 60 110 "Ooooh!"
finish wave15 oooh.wav

# Razzberry: a wet, buzzing raspberry.
synth r1.wav synth 0.7 sawtooth 75 tremolo 38 70 lowpass 1800 fade q 0.02 0.7 0.2
synth r2.wav synth 0.7 pinknoise tremolo 38 70 bandpass 900 800 fade q 0.02 0.7 0.2 gain -6
mix razz-m.wav r1.wav r2.wav
finish wave16 razz-m.wav

# Cheer: "Hooray!" over a crowd.
speak hooray.wav en-us 75 150 "Hooray!"
synth crowd.wav synth 1.0 pinknoise bandpass 1200 1200 tremolo 9 40 fade q 0.1 1.0 0.5 gain -14
mix cheer-m.wav hooray.wav crowd.wav
finish wave17 cheer-m.wav

speak wlaugh.wav en-us+f4 90 190 "Ha ha ha ha ha!"
finish wave18 wlaugh.wav

speak mlaugh.wav en-us+m3 20 150 "Ho ho ho ha ha ha!"
finish wave19 mlaugh.wav

speak cry.wav en-us+f2 60 90 "Boo hoo hoo hoo."
finish wave20 cry.wav

echo "sounds written to $out"
