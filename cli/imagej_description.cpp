// Reading and writing the key=value text ImageJ keeps in a TIFF's ImageDescription.
#include "cli/imagej_description.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

const char* const MICROMETRE_SPELLINGS[] = {"micron", "microns", "um", "micrometer", "micrometre",
                                            "micrometers", "micrometres", "\xC2\xB5m", "\xCE\xBCm"};
const char* const PIXEL_SPELLINGS[] = {"pixel", "pixels", "px"};

void AppendUtf8(uint32_t codePoint, std::string* out)
{
    if (codePoint < 0x80) {
        out->push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

// Length of a valid UTF-8 sequence at `text[at]` and its code point, or 0 if the bytes are not UTF-8.
size_t DecodeUtf8At(const std::string& text, size_t at, uint32_t* codePoint)
{
    const auto lead = static_cast<unsigned char>(text[at]);
    size_t length = 0;
    uint32_t value = 0;
    if (lead < 0x80) {
        *codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > text.size()) {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (next & 0x3F);
    }
    *codePoint = value;
    return length;
}

bool ParseHex4(const std::string& text, size_t at, uint32_t* value)
{
    if (at + 4 > text.size()) {
        return false;
    }
    const auto result = std::from_chars(text.data() + at, text.data() + at + 4, *value, 16);
    return result.ec == std::errc() && result.ptr == text.data() + at + 4;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Trim(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos) {
        return std::string();
    }
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool ParseReal(const std::string& text, double* value)
{
    const std::string trimmed = Trim(text);
    double parsed = 0.0;
    const auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
    if (result.ec != std::errc() || result.ptr != trimmed.data() + trimmed.size() || !std::isfinite(parsed)) {
        return false;
    }
    *value = parsed;
    return true;
}

bool ParseCount(const std::string& text, int64_t* value)
{
    const std::string trimmed = Trim(text);
    int64_t parsed = 0;
    const auto result = std::from_chars(trimmed.data(), trimmed.data() + trimmed.size(), parsed);
    if (result.ec != std::errc() || result.ptr != trimmed.data() + trimmed.size() || parsed < 0) {
        return false;
    }
    *value = parsed;
    return true;
}

std::string FormatReal(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// Store one key's value in `parsed`; unknown keys and malformed values are ignored, as ImageJ does.
void ApplyImageJKey(const std::string& key, const std::string& value, ImageJDescription* parsed)
{
    if (key == "images") {
        ParseCount(value, &parsed->images);
    } else if (key == "channels") {
        ParseCount(value, &parsed->channels);
    } else if (key == "slices") {
        ParseCount(value, &parsed->slices);
    } else if (key == "frames") {
        ParseCount(value, &parsed->frames);
    } else if (key == "unit") {
        parsed->unit = NormaliseUnitText(value);
    } else if (key == "spacing") {
        ParseReal(value, &parsed->spacing);
    } else if (key == "finterval") {
        ParseReal(value, &parsed->frameInterval);
    } else if (key == "tunit") {
        parsed->timeUnit = NormaliseUnitText(value);
    } else if (key == "xorigin") {
        parsed->hasOrigin = ParseReal(value, &parsed->xOrigin) || parsed->hasOrigin;
    } else if (key == "yorigin") {
        parsed->hasOrigin = ParseReal(value, &parsed->yOrigin) || parsed->hasOrigin;
    }
}

}  // namespace

bool ParseImageJDescription(const std::string& text, ImageJDescription* parsed)
{
    *parsed = ImageJDescription();
    if (text.compare(0, 7, "ImageJ=") != 0) {
        return false;
    }
    size_t lineStart = 0;
    while (lineStart < text.size()) {
        size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string::npos) {
            lineEnd = text.size();
        }
        const std::string line = text.substr(lineStart, lineEnd - lineStart);
        const size_t equals = line.find('=');
        if (equals != std::string::npos) {
            ApplyImageJKey(Trim(line.substr(0, equals)), line.substr(equals + 1), parsed);
        }
        lineStart = lineEnd + 1;
    }
    if (parsed->timeUnit.empty() && parsed->frameInterval > 0.0) {
        parsed->timeUnit = "sec";  // ImageJ's default time unit
    }
    return true;
}

std::string NormaliseUnitText(const std::string& raw)
{
    std::string decoded;
    size_t at = 0;
    while (at < raw.size()) {
        uint32_t codePoint = 0;
        if (raw[at] == '\\' && at + 1 < raw.size() && raw[at + 1] == 'u' && ParseHex4(raw, at + 2, &codePoint)) {
            AppendUtf8(codePoint, &decoded);
            at += 6;
            continue;
        }
        const size_t length = DecodeUtf8At(raw, at, &codePoint);
        if (length == 0) {
            // Not UTF-8: older ImageJ versions wrote Latin-1, where every byte is its own code point.
            AppendUtf8(static_cast<unsigned char>(raw[at]), &decoded);
            at += 1;
        } else {
            decoded.append(raw, at, length);
            at += length;
        }
    }
    const std::string trimmed = Trim(decoded);
    const std::string lower = LowerAscii(trimmed);
    for (const char* spelling : MICROMETRE_SPELLINGS) {
        if (lower == spelling) {
            return "\xC2\xB5m";
        }
    }
    for (const char* spelling : PIXEL_SPELLINGS) {
        if (lower == spelling) {
            return std::string();
        }
    }
    return trimmed;
}

std::string EncodeImageJUnit(const std::string& unit)
{
    if (NormaliseUnitText(unit) == "\xC2\xB5m") {
        return "micron";
    }
    std::string encoded;
    size_t at = 0;
    while (at < unit.size()) {
        uint32_t codePoint = 0;
        size_t length = DecodeUtf8At(unit, at, &codePoint);
        if (length == 0) {
            codePoint = static_cast<unsigned char>(unit[at]);
            length = 1;
        }
        if (codePoint >= 0x20 && codePoint < 0x7F) {
            encoded.push_back(static_cast<char>(codePoint));
        } else if (codePoint >= 0x80 && codePoint < 0x10000) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(codePoint));
            encoded += escape;
        } else {
            encoded.push_back('?');  // control characters would break the line structure
        }
        at += length;
    }
    return encoded;
}

std::string FormatImageJDescription(int64_t pageCount, const StackCalibration& calibration,
                                    const std::string& valueUnit)
{
    std::string text = "ImageJ=1.11a\n";
    if (pageCount > 1) {
        text += "images=" + std::to_string(pageCount) + "\n";
        text += "slices=" + std::to_string(pageCount) + "\n";
    }
    if (!calibration.unit.empty()) {
        text += "unit=" + EncodeImageJUnit(calibration.unit) + "\n";
    }
    if (calibration.sliceSpacing > 0.0) {
        text += "spacing=" + FormatReal(calibration.sliceSpacing) + "\n";
    }
    if (calibration.frameInterval > 0.0) {
        text += "finterval=" + FormatReal(calibration.frameInterval) + "\n";
        if (!calibration.timeUnit.empty()) {
            text += "tunit=" + EncodeImageJUnit(calibration.timeUnit) + "\n";
        }
    }
    if ((calibration.offsetX != 0.0 || calibration.offsetY != 0.0) && calibration.stepX > 0.0 &&
        calibration.stepY > 0.0) {
        // ImageJ keeps the origin in pixels: the pixel position of coordinate 0.
        text += "xorigin=" + FormatReal(-calibration.offsetX / calibration.stepX + 0.0) + "\n";
        text += "yorigin=" + FormatReal(-calibration.offsetY / calibration.stepY + 0.0) + "\n";
    }
    if (!valueUnit.empty()) {
        text += "vunit=" + EncodeImageJUnit(valueUnit) + "\n";
    }
    text += "loop=false\n";
    return text;
}
