// Turning the characters of one allele into its code.
#pragma once

#include <string_view>

namespace ortelan {

// The text as a decimal number: leading blanks and a sign are allowed,
// then digits and nothing else. Any other text is 0, the missing allele.
int alleleTextValue(std::string_view text);

// Whether the text reads as a number by that rule (blanks before it, a sign,
// digits); a scripted run takes anything else for a fault in the data.
bool isAlleleNumber(std::string_view text);

}  // namespace ortelan
