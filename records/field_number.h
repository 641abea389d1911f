#pragma once
// The number conversions of the log's fields. The statistics read every record of the
// log twice per redraw, and the C library's conversions cost more than the rest of a
// record's reading together; these give the same results, bit for bit, and cost a few
// instructions per digit for the short plain numbers the device writes ("412.00").

// strtoll (text, end, 10) as a double: the number at the start of text, its fraction
// dropped; end, as with the library, receives where the reading stopped.
double wholeNumber(const char* text, const char** end);
// strtol (text, nullptr, 10).
long leadingLong(const char* text);
// strtod (text, end) in the C locale and the default rounding.
double decimalNumber(const char* text, const char** end);
