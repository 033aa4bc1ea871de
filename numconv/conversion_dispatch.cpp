// Conversion dispatch: validates layouts, copies equal kinds, and runs the loop of a kind pair.
#include "numconv/conversion_dispatch.h"

#include <cstring>

#include "numconv/conversion_kernels.h"
#include "numconv/element_kinds.h"

int32_t ConvertNumbersByLayout(const void* source, void* destination, int64_t count, int32_t sourceBytes,
                               int32_t sourceForm, int32_t destinationBytes, int32_t destinationForm) {
    const int32_t sourceKind = FindKindOfLayout(sourceBytes, sourceForm);
    const int32_t destinationKind = FindKindOfLayout(destinationBytes, destinationForm);
    if (sourceKind == NUMKIND_NONE || destinationKind == NUMKIND_NONE) return NUMCONV_RESULT_INVALID;
    if (sourceKind == destinationKind) {
        if (source != destination && count > 0) {
            std::memmove(destination, source, static_cast<size_t>(count) * static_cast<size_t>(sourceBytes));
        }
        return NUMCONV_RESULT_COPIED;
    }
    SelectConversionLoop(sourceKind, destinationKind)(source, destination, count);
    return NUMCONV_RESULT_CONVERTED;
}

int32_t ConvertNumbers(const void* source, void* destination, int64_t count, int32_t sourceType,
                       int32_t destinationType) {
    int32_t sourceBytes = 0, sourceForm = 0, sourceComplex = 0;
    int32_t destinationBytes = 0, destinationForm = 0, destinationComplex = 0;
    if (TypeCodeToLayout(sourceType, &sourceBytes, &sourceForm, &sourceComplex) != 0 ||
        TypeCodeToLayout(destinationType, &destinationBytes, &destinationForm, &destinationComplex) != 0 ||
        sourceComplex != 0 || destinationComplex != 0) {
        return NUMCONV_RESULT_INVALID;
    }
    return ConvertNumbersByLayout(source, destination, count, sourceBytes, sourceForm, destinationBytes,
                                  destinationForm);
}

int32_t TypeCodeToLayout(int32_t typeCode, int32_t* byteCount, int32_t* numberForm, int32_t* isComplex) {
    *isComplex = typeCode & TYPE_COMPLEX;
    const int32_t baseCode = typeCode & ~TYPE_COMPLEX;
    if (baseCode == TYPE_TEXT) return NUMCONV_ERROR_TEXT_HAS_NO_LAYOUT;
    const int32_t kind = FindKindOfTypeCode(baseCode);
    if (kind == NUMKIND_NONE) return NUMCONV_ERROR_NO_NUMERIC_KIND;
    *byteCount = NUMKIND_INFO[kind].byteCount;
    *numberForm = NUMKIND_INFO[kind].numberForm;
    return 0;
}

int32_t LayoutToTypeCode(int32_t byteCount, int32_t numberForm, int32_t* typeCode) {
    const int32_t kind = FindKindOfLayout(byteCount, numberForm);
    if (kind == NUMKIND_NONE) return NUMCONV_ERROR_NO_NUMERIC_KIND;
    *typeCode = NUMKIND_INFO[kind].typeCode;
    return 0;
}
