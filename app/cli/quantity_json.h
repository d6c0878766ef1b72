#pragma once
// A quantity in JSON: found by nlohmann's lookup of to_json beside the type.
#include "host/numbers.h"
#include "host/quantity.h"

namespace cartera {

// A whole quantity is an integer, as counts always were; a fraction is a number whose text
// reads back to exactly that decimal. A fraction of more digits than a double keeps (beyond
// about 15 significant ones) is its exact decimal text as a string, never a nearby number.
template <class BasicJson>
void to_json(BasicJson& j, const Quantity& q) {
    if (q.IsWhole()) {
        j = q.WholePart();
        return;
    }
    const double d = q.ToDouble();
    if (FullNumberText(d) == q.Text())
        j = d;
    else
        j = q.Text();
}

}  // namespace cartera
