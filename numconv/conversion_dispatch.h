// Conversion of blocks of numbers between element kinds, and type-code/layout translation.
#pragma once
#include <cstdint>

#include "numconv/numeric_types.h"

// Results of ConvertNumbersByLayout and ConvertNumbers.
enum : int32_t {
    NUMCONV_RESULT_COPIED = -1,    // same layout on both sides: block copied, or nothing done in place
    NUMCONV_RESULT_CONVERTED = 0,  // converted element by element
    NUMCONV_RESULT_INVALID = 1,    // a layout or type code names no numeric kind; memory untouched
};

// Host error codes reported by the layout translations.
enum : int32_t {
    NUMCONV_ERROR_NO_NUMERIC_KIND = 17,      // a code or layout names none of the ten kinds
    NUMCONV_ERROR_TEXT_HAS_NO_LAYOUT = 374,  // the text type where a numeric kind is needed
};

// Converts count elements from one layout (byte count, number form) to another; source and
// destination may be the same buffer, sized for the wider kind. Returns 1 for an invalid layout
// (nothing touched), -1 for equal layouts (block copied unless the addresses are equal), else 0.
int32_t ConvertNumbersByLayout(const void* source, void* destination, int64_t count, int32_t sourceBytes,
                               int32_t sourceForm, int32_t destinationBytes, int32_t destinationForm);

// As ConvertNumbersByLayout, by type codes. Returns 1 when either code is text, complex or none
// of the ten kinds (nothing touched), else what ConvertNumbersByLayout returns.
int32_t ConvertNumbers(const void* source, void* destination, int64_t count, int32_t sourceType,
                       int32_t destinationType);

// Stores isComplex (bit 0 of typeCode) always, then the layout of the code without that bit.
// Return 0 on success, 374 for text, 17 for any other code that is none of the ten kinds; on an
// error byteCount and numberForm are left unchanged.
int32_t TypeCodeToLayout(int32_t typeCode, int32_t* byteCount, int32_t* numberForm, int32_t* isComplex);

// Stores the type code (complex flag clear) of a layout. Return 0 on success, or 17 when the
// pair is none of the ten layouts (typeCode left unchanged).
int32_t LayoutToTypeCode(int32_t byteCount, int32_t numberForm, int32_t* typeCode);
