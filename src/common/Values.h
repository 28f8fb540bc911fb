#pragma once

#include <QVariant>

namespace tavrel {

// Values follow the rules of the variant type the program was designed around:
// an invalid QVariant is "empty" (never assigned), a valid QVariant that
// isNull() is a database null, anything else is a value of its own type.

bool isEmptyValue(const QVariant& v);
bool isNullValue(const QVariant& v);
bool isNumberValue(const QVariant& v);

// The numeric test on a value: numbers, booleans, and texts that read as a
// number (surrounding spaces, a sign and a decimal point or comma allowed).
bool isNumeric(const QVariant& v);

// True when value is a number (or a text reading as one) equal to number.
// Null, empty and other texts are never equal.
bool equalsNumber(const QVariant& value, double number);

// truePart when the condition reads as true, falsePart otherwise. Null and
// empty read as false; a condition that is no truth value is reported with
// the place "Iif" and gives falsePart.
QVariant Iif(const QVariant& condition, const QVariant& truePart, const QVariant& falsePart);

// The value, or the default when the value is null, empty or the empty text.
// A value keeps its own type (0 stays the number 0).
QVariant Nz(const QVariant& value, const QVariant& defaultValue);

// a when a > b, otherwise b (so equal values give b). Numbers compare by
// value, texts as text, and a number is less than a text.
QVariant MaxValue(const QVariant& a, const QVariant& b);

} // namespace tavrel
