// The three programs: their fixed texts and choices.
#pragma once

#include "run/edition.h"

namespace ortelan {

const Edition& edition3d();  // three-digit allele codes, 80-bit reals
const Edition& edition2d();  // two-digit allele codes, 80-bit reals
const Edition& editionC();   // two or three digits per genotype, doubles

}  // namespace ortelan
