"""The FM voices of bank 0x00, one per General MIDI program, as named parameters.

Every voice is a pair of operators, modulator first, carrier second, plus the
voice-wide algorithm, feedback and LFO settings. Each family of eight programs
starts from a template; a program lists only where it differs from it.

Conventions of the parameters (see README.md for how they are packed):

  mult      frequency multiplier, 0 to 15 (1 = the played pitch)
  vib       1 = the LFO adds vibrato to this operator
  egt       1 = sustained envelope: it holds at the sustain level while the
            key is down; 0 = it keeps falling (struck or plucked sounds)
  sus       sustain flag, 0 or 1 (left clear: no reference voice sets it)
  ksr       1 = key scale rate: the envelope runs faster on higher notes
  ar dr rr  attack, decay and release rate, 0 (slowest) to 15 (fastest)
  sl        sustain level, 0 (peak) to 15 (quietest)
  tl        total level, 0 (loudest) to 63 (silent); on the modulator it sets
            the brightness, on the carrier the loudness
  ksl       key scale level, 0 to 3: the level falls on higher notes
  extra     the fifth operator byte (modulation-depth and waveform bits), one
            of the names in EXTRA below
"""

from dataclasses import dataclass, field, replace

# The fifth operator byte. Its bits are not pinned down, so only the values of
# the four reference voices are used, named after where they occur there, and
# reused by analogy: "struck" for struck and plucked sounds, "bowed" for the
# modulator and "plain" for the carrier of held, vibrato voices, "noise" for
# the carrier of noisy effects.
EXTRA = {
    "struck": 0xA0,  # both operators of the grand pianos
    "bowed": 0xA1,  # violin modulator
    "plain": 0x00,  # violin carrier, gunshot modulator
    "noise": 0x0E,  # gunshot carrier
}


@dataclass(frozen=True)
class Op:
    mult: int = 1
    vib: int = 0
    egt: int = 1
    sus: int = 0
    ksr: int = 0
    ar: int = 15
    dr: int = 0
    sl: int = 0
    rr: int = 8
    tl: int = 0
    ksl: int = 0
    extra: str = "plain"


@dataclass(frozen=True)
class Voice:
    alg: int = 0
    fb: int = 0
    lfo: int = 1
    mod: Op = field(default_factory=Op)
    car: Op = field(default_factory=Op)

    def but(self, mod=None, car=None, **voice):
        """A copy with some voice-wide and some operator parameters changed."""
        return replace(self, mod=replace(self.mod, **(mod or {})), car=replace(self.car, **(car or {})), **voice)


# --- Family templates ------------------------------------------------------

# Acoustic grand: quick attack, a modulator that dulls as the note fades.
PIANO = Voice(
    fb=4,
    mod=Op(mult=1, egt=1, ar=15, dr=2, sl=4, rr=5, tl=14, ksl=2, extra="struck"),
    car=Op(mult=1, egt=1, ar=15, dr=2, sl=7, rr=6, tl=0, extra="struck"),
)

# Mallets and bells: a high modulator ratio for the metallic partials, both
# envelopes fall away while the key is held.
MALLET = Voice(
    fb=0,
    mod=Op(mult=4, egt=0, ksr=1, ar=15, dr=5, sl=10, rr=5, tl=22, ksl=1, extra="struck"),
    car=Op(mult=1, egt=0, ar=15, dr=4, sl=15, rr=5, tl=0, extra="struck"),
)

# Organ: both operators on at once and held flat until the key is let go.
ORGAN = Voice(
    fb=3,
    mod=Op(mult=1, egt=1, ar=15, dr=0, sl=0, rr=8, tl=20, extra="plain"),
    car=Op(mult=1, egt=1, ar=15, dr=0, sl=0, rr=9, tl=0, extra="plain"),
)

# Plucked string: sharp attack, a fast-fading bright modulator.
PLUCK = Voice(
    fb=3,
    mod=Op(mult=2, egt=0, ksr=1, ar=15, dr=5, sl=6, rr=6, tl=20, ksl=1, extra="struck"),
    car=Op(mult=1, egt=0, ksr=1, ar=15, dr=3, sl=8, rr=6, tl=0, extra="struck"),
)

# Bass: at pitch, round, a short bright onset.
BASS = Voice(
    fb=3,
    mod=Op(mult=1, egt=0, ar=15, dr=4, sl=5, rr=6, tl=18, ksl=1, extra="struck"),
    car=Op(mult=1, egt=0, ar=15, dr=2, sl=6, rr=7, tl=0, extra="struck"),
)

# Violin: a slow bowed attack with vibrato on the carrier.
BOWED = Voice(
    fb=5,
    mod=Op(mult=1, egt=1, ksr=1, ar=13, dr=13, sl=1, rr=3, tl=14, extra="bowed"),
    car=Op(mult=1, vib=1, egt=1, ar=5, dr=6, sl=2, rr=6, tl=0, extra="plain"),
)

# Brass: a short swell; the modulator opens a little after the carrier, so the
# tone brightens into the note.
BRASS = Voice(
    fb=5,
    mod=Op(mult=1, egt=1, ar=11, dr=4, sl=3, rr=6, tl=14, extra="bowed"),
    car=Op(mult=1, egt=1, ar=12, dr=2, sl=1, rr=7, tl=0, extra="plain"),
)

# Reed: a tongued onset, a nasal held tone with vibrato.
REED = Voice(
    fb=4,
    mod=Op(mult=2, egt=1, ar=12, dr=3, sl=2, rr=6, tl=18, extra="bowed"),
    car=Op(mult=1, vib=1, egt=1, ar=12, dr=1, sl=1, rr=7, tl=0, extra="plain"),
)

# Pipe: a nearly pure tone, the modulator kept quiet.
PIPE = Voice(
    fb=0,
    mod=Op(mult=1, egt=1, ar=10, dr=2, sl=2, rr=6, tl=30, extra="bowed"),
    car=Op(mult=1, vib=1, egt=1, ar=11, dr=0, sl=0, rr=7, tl=0, extra="plain"),
)

# Synth lead: instant, bright, held flat.
LEAD = Voice(
    fb=5,
    mod=Op(mult=1, egt=1, ar=15, dr=0, sl=0, rr=8, tl=12, extra="plain"),
    car=Op(mult=1, egt=1, ar=15, dr=0, sl=0, rr=8, tl=0, extra="plain"),
)

# Synth pad: slow swell, slow release.
PAD = Voice(
    fb=2,
    mod=Op(mult=1, egt=1, ar=6, dr=2, sl=2, rr=4, tl=22, extra="bowed"),
    car=Op(mult=1, vib=1, egt=1, ar=4, dr=1, sl=1, rr=3, tl=0, extra="plain"),
)

# Synth effect: atmospheric, with a long tail after the key is let go.
SYNTH_FX = Voice(
    fb=3,
    mod=Op(mult=3, egt=1, ar=10, dr=3, sl=4, rr=4, tl=20, extra="bowed"),
    car=Op(mult=1, vib=1, egt=1, ar=10, dr=2, sl=3, rr=3, tl=0, extra="plain"),
)

# Gunshot: full feedback on a loud high modulator for noise.
NOISE = Voice(
    fb=7,
    mod=Op(mult=5, vib=1, egt=1, ar=15, dr=3, sl=15, rr=0, tl=4, extra="plain"),
    car=Op(mult=15, vib=1, egt=0, ar=15, dr=6, sl=11, rr=8, tl=0, extra="noise"),
)


# --- The programs ----------------------------------------------------------


def p(name, template, mod=None, car=None, **voice):
    return (name, template.but(mod=mod, car=car, **voice))


PROGRAMS = [
    # Piano
    p("Acoustic Grand Piano", PIANO),
    p("Bright Acoustic Piano", PIANO, fb=5, mod=dict(ksr=1, rr=4, sl=5, tl=15), car=dict(sl=5)),
    p("Electric Grand Piano", PIANO, fb=3, mod=dict(tl=12, ksr=1), car=dict(dr=3, sl=6)),
    p("Honky-tonk Piano", PIANO, fb=4, mod=dict(mult=2, tl=16), car=dict(vib=1, sl=6)),
    p("Electric Piano 1", PIANO, fb=1, mod=dict(dr=5, sl=8, tl=20, ksl=1), car=dict(dr=2, sl=8, rr=5)),
    p("Electric Piano 2", PIANO, fb=0, mod=dict(mult=14, egt=0, dr=6, sl=10, tl=24, ksl=1), car=dict(dr=3, sl=9)),
    p("Harpsichord", PIANO, fb=5, mod=dict(mult=4, ksr=1, tl=10), car=dict(egt=0, ksr=1, dr=4, sl=8)),
    p("Clavinet", PIANO, fb=6, mod=dict(mult=3, tl=12), car=dict(egt=0, dr=5, sl=9, rr=8)),
    # Chromatic percussion
    p("Celesta", MALLET, mod=dict(tl=26), car=dict(dr=4)),
    p("Glockenspiel", MALLET, mod=dict(mult=7, tl=24), car=dict(dr=3, rr=4)),
    p("Music Box", MALLET, mod=dict(mult=5, tl=28), car=dict(dr=3, rr=5)),
    p("Vibraphone", MALLET, mod=dict(tl=30), car=dict(vib=1, dr=2, rr=4)),
    p("Marimba", MALLET, mod=dict(mult=10, dr=8, tl=24), car=dict(dr=6, rr=6)),
    p("Xylophone", MALLET, fb=1, mod=dict(mult=6, dr=8, tl=20), car=dict(dr=7, rr=7)),
    p("Tubular Bells", MALLET, fb=1, mod=dict(mult=7, dr=3, tl=18), car=dict(dr=2, rr=3)),
    p("Dulcimer", MALLET, fb=3, mod=dict(mult=3, tl=16), car=dict(dr=4, sl=12, rr=5, ksr=1)),
    # Organ
    p("Drawbar Organ", ORGAN),
    p("Percussive Organ", ORGAN, mod=dict(mult=3, egt=0, dr=6, sl=6, tl=18)),
    p("Rock Organ", ORGAN, fb=5, mod=dict(tl=16), car=dict(vib=1)),
    p("Church Organ", ORGAN, fb=2, mod=dict(mult=2, ar=12, tl=22), car=dict(ar=12, rr=5)),
    p("Reed Organ", ORGAN, fb=4, mod=dict(mult=2, tl=18), car=dict(ar=13)),
    p("Accordion", ORGAN, fb=5, mod=dict(mult=2, ar=12, tl=16), car=dict(vib=1, ar=13)),
    p("Harmonica", ORGAN, fb=6, mod=dict(mult=2, ar=11, tl=14), car=dict(vib=1, ar=12)),
    p("Tango Accordion", ORGAN, fb=5, mod=dict(mult=3, tl=18), car=dict(vib=1, ar=13)),
    # Guitar
    p("Acoustic Guitar (nylon)", PLUCK, fb=2, mod=dict(mult=1, tl=24), car=dict(sl=9)),
    p("Acoustic Guitar (steel)", PLUCK, mod=dict(mult=3)),
    p("Electric Guitar (jazz)", PLUCK, fb=1, mod=dict(mult=1, tl=26), car=dict(dr=3, sl=6, rr=7)),
    p("Electric Guitar (clean)", PLUCK, fb=2, car=dict(dr=2, sl=7)),
    p("Electric Guitar (muted)", PLUCK, mod=dict(tl=18), car=dict(dr=7, sl=15, rr=8)),
    p("Overdriven Guitar", PLUCK, fb=6, mod=dict(mult=1, egt=1, dr=1, sl=2, tl=10), car=dict(egt=1, dr=1, sl=4, rr=7)),
    p("Distortion Guitar", PLUCK, fb=7, mod=dict(mult=1, egt=1, dr=1, sl=2, tl=6), car=dict(egt=1, dr=1, sl=3, rr=7)),
    p("Guitar Harmonics", PLUCK, fb=0, mod=dict(tl=30), car=dict(mult=2, dr=2, sl=10)),
    # Bass
    p("Acoustic Bass", BASS, fb=2, mod=dict(tl=22), car=dict(sl=7)),
    p("Electric Bass (finger)", BASS, mod=dict(tl=20)),
    p("Electric Bass (pick)", BASS, fb=4, mod=dict(dr=6, tl=14), car=dict(dr=3, sl=7)),
    p("Fretless Bass", BASS, fb=2, mod=dict(tl=24), car=dict(vib=1, egt=1, ar=13, dr=1, sl=3)),
    p("Slap Bass 1", BASS, fb=4, mod=dict(mult=3, dr=7, sl=9, tl=14), car=dict(dr=4, sl=8)),
    p("Slap Bass 2", BASS, fb=5, mod=dict(mult=4, dr=7, sl=9, tl=12), car=dict(dr=4, sl=9)),
    p("Synth Bass 1", BASS, fb=6, mod=dict(dr=5, sl=7, tl=12), car=dict(egt=1, dr=2, sl=4, rr=8)),
    p("Synth Bass 2", BASS, fb=5, mod=dict(mult=2, tl=14), car=dict(egt=1, dr=1, sl=3, rr=8)),
    # Strings
    p("Violin", BOWED),
    p("Viola", BOWED, fb=4, mod=dict(tl=16)),
    p("Cello", BOWED, fb=4, mod=dict(ksr=0, tl=13), car=dict(ar=4, rr=5)),
    p("Contrabass", BOWED, fb=3, mod=dict(ksr=0, tl=12), car=dict(ar=4, dr=5, rr=5)),
    p("Tremolo Strings", BOWED, mod=dict(vib=1), car=dict(ar=6)),
    p("Pizzicato Strings", PLUCK, fb=2, mod=dict(mult=1, tl=20), car=dict(dr=5, sl=12)),
    p("Orchestral Harp", PLUCK, fb=1, mod=dict(tl=26), car=dict(sl=10, rr=4)),
    p("Timpani", MALLET, fb=3, mod=dict(mult=1, dr=6, tl=18), car=dict(dr=3, sl=12, rr=4)),
    # Ensemble
    p("String Ensemble 1", BOWED, fb=3, mod=dict(tl=18), car=dict(rr=4)),
    p("String Ensemble 2", BOWED, fb=3, mod=dict(tl=18), car=dict(ar=3, rr=4)),
    p("Synth Strings 1", BOWED, fb=6, mod=dict(ar=8), car=dict(ar=6, rr=5)),
    p("Synth Strings 2", BOWED, fb=4, mod=dict(mult=2, tl=20), car=dict(ar=4)),
    p("Choir Aahs", BOWED, fb=1, mod=dict(mult=3, tl=26), car=dict(ar=6, rr=5)),
    p("Voice Oohs", BOWED, fb=0, mod=dict(tl=30), car=dict(ar=7)),
    p("Synth Voice", BOWED, fb=2, mod=dict(mult=2, tl=24), car=dict(ar=7)),
    p("Orchestra Hit", PLUCK, fb=7, mod=dict(mult=1, tl=8), car=dict(dr=5, sl=10)),
    # Brass
    p("Trumpet", BRASS, car=dict(vib=1)),
    p("Trombone", BRASS, fb=4, mod=dict(tl=16), car=dict(ar=11, rr=6)),
    p("Tuba", BRASS, fb=3, mod=dict(tl=18), car=dict(ar=10, dr=3, rr=6)),
    p("Muted Trumpet", BRASS, fb=4, mod=dict(mult=3, tl=18)),
    p("French Horn", BRASS, fb=3, mod=dict(tl=20), car=dict(ar=10, rr=5)),
    p("Brass Section", BRASS, fb=6, mod=dict(tl=13), car=dict(ar=11)),
    p("Synth Brass 1", BRASS, fb=6, mod=dict(ar=10, dr=3, sl=4, tl=10), car=dict(ar=13)),
    p("Synth Brass 2", BRASS, mod=dict(mult=2, ar=9, rr=7)),
    # Reed
    p("Soprano Sax", REED, fb=5, mod=dict(mult=1, tl=16)),
    p("Alto Sax", REED, fb=5, mod=dict(mult=1, tl=15), car=dict(ar=11)),
    p("Tenor Sax", REED, fb=6, mod=dict(mult=1, tl=14), car=dict(ar=11, rr=6)),
    p("Baritone Sax", REED, fb=6, mod=dict(mult=1, tl=13), car=dict(ar=10)),
    p("Oboe", REED, fb=3, mod=dict(mult=3, tl=20)),
    p("English Horn", REED, fb=3, mod=dict(tl=20), car=dict(ar=11)),
    p("Bassoon", REED, car=dict(ar=11)),
    p("Clarinet", REED, fb=1, mod=dict(tl=22)),
    # Pipe
    p("Piccolo", PIPE, mod=dict(mult=2, tl=32), car=dict(ar=12)),
    p("Flute", PIPE, fb=1),
    p("Recorder", PIPE, mod=dict(mult=2, tl=34), car=dict(vib=0, ar=12)),
    p("Pan Flute", PIPE, fb=3, mod=dict(egt=0, ar=15, dr=6, sl=8, tl=28), car=dict(ar=10)),
    p("Blown Bottle", PIPE, fb=2, mod=dict(tl=34), car=dict(vib=0, ar=9)),
    p("Shakuhachi", PIPE, fb=4, mod=dict(ar=8, tl=26), car=dict(ar=9)),
    p("Whistle", PIPE, mod=dict(tl=40), car=dict(ar=12, rr=8)),
    p("Ocarina", PIPE, mod=dict(tl=36), car=dict(vib=0, ar=12)),
    # Synth lead
    p("Lead 1 (square)", LEAD, fb=2, mod=dict(mult=2, tl=14)),
    p("Lead 2 (sawtooth)", LEAD, fb=6),
    p("Lead 3 (calliope)", LEAD, fb=3, mod=dict(tl=26), car=dict(vib=1, ar=13)),
    p("Lead 4 (chiff)", LEAD, fb=4, mod=dict(mult=2, egt=0, dr=7, sl=6, tl=20), car=dict(ar=14)),
    p("Lead 5 (charang)", LEAD, fb=7, mod=dict(tl=8), car=dict(dr=1, sl=2)),
    p("Lead 6 (voice)", LEAD, fb=2, mod=dict(mult=2, tl=24), car=dict(vib=1, ar=13)),
    p("Lead 7 (fifths)", LEAD, fb=3, mod=dict(mult=3, tl=16)),
    p("Lead 8 (bass + lead)", LEAD, fb=6, mod=dict(tl=10), car=dict(dr=2, sl=3)),
    # Synth pad
    p("Pad 1 (new age)", PAD, fb=1, mod=dict(mult=4, egt=0, ar=15, dr=4, sl=10, tl=24), car=dict(ar=7)),
    p("Pad 2 (warm)", PAD, mod=dict(tl=26)),
    p("Pad 3 (polysynth)", PAD, fb=5, mod=dict(tl=16), car=dict(ar=8, rr=4)),
    p("Pad 4 (choir)", PAD, fb=1, mod=dict(mult=2, tl=28)),
    p("Pad 5 (bowed)", PAD, fb=4, mod=dict(tl=20), car=dict(ar=3)),
    p("Pad 6 (metallic)", PAD, fb=3, mod=dict(mult=5), car=dict(ar=5)),
    p("Pad 7 (halo)", PAD, fb=1, mod=dict(mult=3, tl=28), car=dict(ar=3, rr=2)),
    p("Pad 8 (sweep)", PAD, fb=4, mod=dict(ar=3, tl=14), car=dict(ar=5)),
    # Synth effects
    p("FX 1 (rain)", SYNTH_FX, mod=dict(mult=7, tl=22), car=dict(egt=0, ar=15, dr=4, sl=8)),
    p("FX 2 (soundtrack)", SYNTH_FX, fb=4, mod=dict(mult=1), car=dict(ar=5, rr=2)),
    p("FX 3 (crystal)", SYNTH_FX, fb=0, mod=dict(mult=9, tl=24), car=dict(egt=0, ar=15, dr=3, sl=10)),
    p("FX 4 (atmosphere)", SYNTH_FX, mod=dict(mult=2, tl=22), car=dict(ar=13, dr=3, sl=6)),
    p("FX 5 (brightness)", SYNTH_FX, fb=4, mod=dict(mult=4, tl=16), car=dict(ar=12)),
    p("FX 6 (goblins)", SYNTH_FX, fb=6, mod=dict(mult=1, ar=2, tl=18), car=dict(ar=3, rr=2)),
    p("FX 7 (echoes)", SYNTH_FX, fb=2, mod=dict(mult=2, tl=24), car=dict(egt=0, ar=12, dr=2, sl=5, rr=2)),
    p("FX 8 (sci-fi)", SYNTH_FX, fb=5, mod=dict(mult=6, vib=1, tl=18), car=dict(ar=8)),
    # Ethnic
    p("Sitar", PLUCK, fb=6, mod=dict(mult=3, egt=1, dr=1, sl=2, tl=12), car=dict(dr=2, sl=6, rr=5)),
    p("Banjo", PLUCK, fb=4, mod=dict(tl=16), car=dict(dr=5, sl=10, rr=7)),
    p("Shamisen", PLUCK, fb=5, mod=dict(mult=3, tl=16), car=dict(dr=5, sl=11, rr=7)),
    p("Koto", PLUCK, car=dict(sl=9, rr=5)),
    p("Kalimba", MALLET, mod=dict(tl=28), car=dict(dr=5)),
    p("Bagpipe", REED, fb=6, mod=dict(mult=1, ar=13, tl=10), car=dict(vib=0, ar=13, dr=0, sl=0, rr=9)),
    p("Fiddle", BOWED, fb=6, mod=dict(tl=12), car=dict(ar=7)),
    p("Shanai", REED, fb=5, mod=dict(mult=3, tl=14)),
    # Percussive
    p("Tinkle Bell", MALLET, mod=dict(mult=11), car=dict(rr=4)),
    p("Agogo", MALLET, fb=2, mod=dict(mult=5, tl=20), car=dict(dr=6, rr=6)),
    p("Steel Drums", MALLET, fb=1, mod=dict(mult=3, tl=24), car=dict(sl=12)),
    p("Woodblock", MALLET, fb=3, mod=dict(mult=6, tl=16), car=dict(dr=9, rr=9)),
    p("Taiko Drum", MALLET, fb=6, mod=dict(mult=1, dr=8, tl=12), car=dict(dr=5, rr=6)),
    p("Melodic Tom", MALLET, fb=4, mod=dict(mult=1, tl=18), car=dict(dr=5, sl=14, rr=6)),
    p("Synth Drum", MALLET, fb=5, mod=dict(mult=1, dr=10, sl=15, tl=16), car=dict(dr=5, rr=6)),
    p("Reverse Cymbal", NOISE, mod=dict(mult=7, vib=0, tl=6), car=dict(mult=1, vib=0, egt=1, ar=3, dr=0, sl=0, rr=12)),
    # Sound effects
    p("Guitar Fret Noise", NOISE, mod=dict(vib=0, tl=8), car=dict(mult=1, vib=0, dr=8, sl=15)),
    p("Breath Noise", NOISE, mod=dict(mult=3, vib=0, tl=6), car=dict(mult=1, vib=0, egt=1, ar=10, dr=0, sl=0)),
    p("Seashore", NOISE, mod=dict(mult=1, tl=4), car=dict(mult=1, egt=1, ar=4, dr=0, sl=0, rr=3)),
    p(
        "Bird Tweet",
        NOISE,
        fb=0,
        mod=dict(mult=3, dr=0, sl=0, rr=6, tl=24),
        car=dict(mult=4, egt=1, ar=14, dr=0, sl=0, rr=6, extra="plain"),
    ),
    p(
        "Telephone Ring",
        NOISE,
        fb=2,
        mod=dict(mult=2, dr=0, sl=0, rr=10, tl=20),
        car=dict(mult=3, vib=0, egt=1, dr=0, sl=0, rr=10, extra="plain"),
    ),
    p("Helicopter", NOISE, mod=dict(mult=1, tl=10), car=dict(mult=1, egt=1, ar=8, dr=0, sl=0, rr=6)),
    p("Applause", NOISE, mod=dict(mult=9, vib=0, tl=6), car=dict(mult=1, vib=0, egt=1, ar=6, dr=0, sl=0, rr=5)),
    p("Gunshot", NOISE),
]
