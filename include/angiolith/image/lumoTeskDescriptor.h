#ifndef ANGIOLITH_IMAGE_LUMOTESKDESCRIPTOR_H
#define ANGIOLITH_IMAGE_LUMOTESKDESCRIPTOR_H

/// @file
/// The image descriptor: a plain header naming element kind, width, dimensions and extents,
/// pointing at one contiguous element buffer, with an info record (version text and tag list).
/// Every block is allocated with `malloc`/`calloc` and released with `free`.

/// Kind of element of a descriptor or of a tag value. The underlying type is fixed at 32 bits,
/// so any number read from a foreign descriptor is a valid value of the enumeration.
enum lumoTeskType_t : int {
    lumoTeskTypeNone = 0,      ///< no kind set: a new or cleared descriptor
    lumoTeskTypeSigned = 3,    ///< signed integer elements (8, 16, 32 bits)
    lumoTeskTypeUnsigned = 4,  ///< unsigned integer elements (8, 16, 32 bits)
    lumoTeskTypeFloat = 5,     ///< floating point (32: single, 64: double precision)
    lumoTeskTypeTagList = 8    ///< tag records only: the value is a nested tag list
};

struct lumoTeskTagLink_t;

/// Info record hanging beside every descriptor; copied along, never interpreted.
struct lumoTeskInfoBlock_t {
    char version[32];            ///< blank-padded, no terminator inside the 32 characters
    lumoTeskTagLink_t* tagList;  ///< first element of the tag list (owned), or null
    int infoFlag;                ///< carried over unchanged by clone and conversion
    unsigned int pixelsStart;    ///< bookkeeping, 0 in a new record
    unsigned int tagsStart;      ///< bookkeeping, 0 in a new record
    int writeable;               ///< bookkeeping, 1 in a new record
};

/// A named, typed value. Owns `value` (or, for type 8, the nested list whose head it is).
struct lumoTeskTag_t {
    char tag[33];         ///< name, blank-padded to 32 characters once in a list, then a terminator
    lumoTeskType_t type;  ///< kind of the value
    unsigned int bits;    ///< bits per value element
    unsigned int dim;     ///< number of dimensions of the value
    unsigned int n[8];    ///< extents of the value
    void* value;          ///< owned value bytes, or the nested list's head for type 8
};

/// Element of the doubly linked tag list; owns its tag record.
struct lumoTeskTagLink_t {
    lumoTeskTag_t* tagRecord;  ///< the tag record (owned, `free`)
    lumoTeskTagLink_t* prev;   ///< preceding element (borrowed), null at the head
    lumoTeskTagLink_t* next;   ///< following element (owned by the list), null at the end
};

/// The image descriptor. For 3-D volumes the element at (x, y, z) is number
/// (z * n[1] + y) * n[0] + x.
struct lumoTeskDescriptor {
    void* data;                 ///< element buffer (owned, `free`), or null
    lumoTeskInfoBlock_t* info;  ///< info record (owned)
    lumoTeskType_t type;        ///< element kind
    unsigned int bits;          ///< bits per element
    unsigned int dim;           ///< number of dimensions, 1 to 8
    unsigned int n[8];          ///< extents; only n[0] .. n[dim-1] are meaningful
};

/// A new descriptor: no data, type none, default version text, no tags. Null when it cannot be
/// allocated. `bits`, `dim` and `n` are left for the caller to set. Caller frees (lumoTeskFree).
lumoTeskDescriptor* lumoTeskNew();

/// Releases data, tags, info record and the descriptor itself (takes ownership of @p pic).
/// Ignores null.
void lumoTeskFree(lumoTeskDescriptor* pic);

/// Releases data and tags of @p pic (borrowed) and sets the type to none; keeps bits, dim, n
/// and the version text. Ignores null.
void lumoTeskClear(lumoTeskDescriptor* pic);

/// Copies type, bits, dim and n[0..dim-1] of @p pic (borrowed, not null) into @p pic_new after
/// clearing it, or into a new descriptor when @p pic_new is null. Returns the target, or null
/// when a new target cannot be allocated.
lumoTeskDescriptor* lumoTeskCopyHeader(const lumoTeskDescriptor* pic, lumoTeskDescriptor* pic_new);

/// A deep copy of @p pic (borrowed, not null): header, version text, tags, infoFlag and data.
/// Null when an allocation fails or the element buffer's size does not fit 32 bits.
/// Caller frees.
lumoTeskDescriptor* lumoTeskClone(const lumoTeskDescriptor* pic);

/// Number of elements of @p pic (borrowed, not null): the product of n[0..dim-1] in unsigned
/// 32-bit arithmetic; 0 for dim 0.
unsigned int _lumoTeskElements(const lumoTeskDescriptor* pic);

/// Size of the element buffer of @p pic (borrowed, not null) in bytes: (bits / 8) * elements,
/// unsigned 32-bit; 0 for dim 0.
unsigned int _lumoTeskSize(const lumoTeskDescriptor* pic);

/// Size of the value of @p tagRecord (borrowed, not null) in bytes:
/// (bits * product of extents) / 8; 0 for dim 0.
unsigned int _lumoTeskTSVSize(const lumoTeskTag_t* tagRecord);

/// Normalises the tag's name to 32 blank-padded characters and appends the tag (ownership
/// passes to the list) to the list headed by @p head (may be null). Returns the list head.
lumoTeskTagLink_t* lumoTeskAddTag(lumoTeskTagLink_t* head, lumoTeskTag_t* tagRecord);

/// Deep copy of the tag list headed by @p head (borrowed), nested lists included. Null for an
/// empty list. Caller releases.
lumoTeskTagLink_t* _lumoTeskCopyTagList(const lumoTeskTagLink_t* head);

/// Releases every element of the tag list headed by @p head (takes ownership), its records
/// and their values (nested lists recursively). Ignores null.
void _lumoTeskReleaseTagList(lumoTeskTagLink_t* head);

#endif
