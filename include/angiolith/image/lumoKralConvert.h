#ifndef ANGIOLITH_IMAGE_LUMOKRALCONVERT_H
#define ANGIOLITH_IMAGE_LUMOKRALCONVERT_H

/// @file
/// Type conversion with clamping, value ranges and descriptor checks. Failures return null or
/// 0 and leave their cause in `lumoKralErrno`:
/// 2 null descriptor (lumoKralExtr: also a descriptor without element buffer), 3 dim 0 or above
/// 8, 4 an extent is 0, 6 the new element buffer cannot be allocated, or an element buffer's
/// true size does not fit the 32-bit sizes, 7 the new descriptor cannot be made, 8 unsupported
/// (type, bits) pair, 11 unsupported conversion target.

#include <angiolith/image/lumoTeskDescriptor.h>

/// Number of the last failure of the conversion family on the calling thread (each thread has
/// its own, like errno); never reset by the library.
extern thread_local int lumoKralErrno;

/// Stores @p error in `lumoKralErrno`.
void _lumoKralSetErrno(int error);

/// 1 when @p pic (borrowed; may be null) is a valid descriptor of one of the eight supported
/// element kinds, 0 otherwise (error number set). Zeroes the extents n[dim] .. n[7] of a
/// descriptor that passes the dimension and extent tests.
int _lumoKralPicCheck(lumoTeskDescriptor* pic);

/// The value range of an element kind (signed ranges are symmetric: -127 .. 127 for 8 bits),
/// written to the caller's @p min and @p max. 1 on success, 0 with error 8 for an unsupported
/// kind.
int _lumoKralExtT(lumoTeskType_t type, unsigned int bits, double* min, double* max);

/// The smallest and largest element of @p pic (borrowed), written to the caller's @p min and
/// @p max, compared as doubles in storage order. 1 on success, 0 when the check fails, when
/// @p pic has no element buffer (error 2) or when its size does not fit 32 bits (error 6).
/// @warning A NaN as element 0 makes both results NaN; later NaNs are skipped.
int lumoKralExtr(lumoTeskDescriptor* pic, double* min, double* max);

/// Copies version text, a deep copy of the tag list and infoFlag from @p source (borrowed) into
/// @p target (borrowed), releasing the tags the target held. Does nothing when either is null.
void _lumoKralCopyInfo(lumoTeskDescriptor* target, const lumoTeskDescriptor* source);

/// A new descriptor (caller frees) holding @p pic_old's (borrowed) elements converted to
/// (type, bits), clamped to the target range when they do not fit (or when their range is NaN).
/// Floating point to integer truncates toward zero; NaN becomes 0 in integer targets. A source
/// without element buffer gives a new descriptor without one. The source is not changed (apart
/// from its zeroed extents beyond dim). Null on failure, with the error number set.
lumoTeskDescriptor* lumoKralConvert(lumoTeskDescriptor* pic_old, lumoTeskType_t type,
                                    unsigned int bits);

#endif
