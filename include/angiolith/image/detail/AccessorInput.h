#ifndef ANGIOLITH_IMAGE_DETAIL_ACCESSORINPUT_H
#define ANGIOLITH_IMAGE_DETAIL_ACCESSORINPUT_H

namespace angiolith::detail {

/// The fatal input error of an accessor's constructor: `fatalInput(line)`. Kept out of line so
/// that the accessor templates need nothing of the error channel's machinery.
[[noreturn]] void fatalAccessorInput(const char* line);

}  // namespace angiolith::detail

#endif
