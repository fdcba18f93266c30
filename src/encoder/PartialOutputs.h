#pragma once
// Movarin names its outputs by their final names; FFmpeg writes each under its
// temporary name beside it (jobs/PartialName.h), and Movarin renames it once
// it has reached the medium. Everything after this step (the guard, the
// confinement that lets FFmpeg write that one file) sees the temporary name
// only. Pure: no files.
#include "encoder/ArgumentTranslator.h"

namespace movarin::encoder {

// Turns every output of translation, in its outputs and in FFmpeg's
// arguments, into its temporary name. FFmpeg guesses a picture's encoder from
// the name's extension, which the temporary name hides: a JPEG picture is
// named its encoder.
void WriteUnderPartialNames(Translation& translation);

} // namespace movarin::encoder
