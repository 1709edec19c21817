// siteIdentity (run/seed_source.h) for a record's alleles, whose number is
// known only as the record is read: up to kMaxAlleles, each count has its
// own call with a list of that length.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

#include "input/tables/locus_counts.h"
#include "run/seed_source.h"

namespace ortelan {
namespace detail {

using SiteIdentityOf = std::uint64_t (*)(std::string_view, std::int64_t, const std::string_view*);

template <std::size_t... I>
std::uint64_t siteIdentityOfList(std::string_view chrom, std::int64_t pos, const std::string_view* alleles,
                                 std::index_sequence<I...>) {
  return siteIdentity(chrom, pos, {alleles[I]...});
}

template <std::size_t... N>
constexpr std::array<SiteIdentityOf, sizeof...(N)> siteIdentityTable(std::index_sequence<N...>) {
  return {+[](std::string_view chrom, std::int64_t pos, const std::string_view* alleles) {
    return siteIdentityOfList(chrom, pos, alleles, std::make_index_sequence<N>{});
  }...};
}

inline constexpr auto kSiteIdentityOf = siteIdentityTable(std::make_index_sequence<kMaxAlleles + 1>{});

}  // namespace detail

// The site's identity from its chromosome, 1-based position and `count`
// alleles (REF first; count at most kMaxAlleles).
inline std::uint64_t siteIdentityOf(std::string_view chrom, std::int64_t pos, const std::string_view* alleles,
                                    std::size_t count) {
  return detail::kSiteIdentityOf[count](chrom, pos, alleles);
}

}  // namespace ortelan
