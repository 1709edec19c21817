#include "input/tables/counted_tables.h"

#include <algorithm>
#include <cstring>
#include <numeric>

namespace ortelan {
namespace {

std::uint32_t cellAt(const std::uint8_t* cells, int width, std::size_t index) {
  switch (width) {
    case 1:
      return cells[index];
    case 2: {
      std::uint16_t value;
      std::memcpy(&value, cells + 2 * index, 2);
      return value;
    }
    default: {
      std::uint32_t value;
      std::memcpy(&value, cells + 4 * index, 4);
      return value;
    }
  }
}

// Writes `count` at `out` in `width` bytes (1, 2 or 4; 0: nothing), as cellAt reads it.
void putCell(std::uint8_t*& out, int width, std::uint32_t count) {
  if (width == 1) {
    *out = static_cast<std::uint8_t>(count);
  } else if (width == 2) {
    const auto narrow = static_cast<std::uint16_t>(count);
    std::memcpy(out, &narrow, 2);
  } else if (width == 4) {
    std::memcpy(out, &count, 4);
  }
  out += width;
}

}  // namespace

CountedTables::CountedTables(int loci, int maxColumns, int columnsHint)
    : maxColumns_(maxColumns), places_(static_cast<std::size_t>(loci) + 1) {
  const auto hint = static_cast<std::uint16_t>(std::clamp(columnsHint, 1, maxColumns));
  for (std::size_t locus = 1; locus < places_.size(); ++locus) {
    places_[locus].first = static_cast<std::uint32_t>((locus - 1) * hint);
    places_[locus].capacity = hint;
  }
  const std::size_t size = static_cast<std::size_t>(loci) * hint;
  keys_.assign(size, 0);
  metIn_.assign(size, 0);
  counts_.assign(size, 0);
}

bool CountedTables::addKey(Places& places, std::uint32_t key, std::uint32_t count) {
  if (places.used == maxColumns_) return false;
  if (places.used == places.capacity) {
    // Out of room: the locus's places move to the end, twice as many.
    const auto capacity = static_cast<std::uint16_t>(std::min(2 * places.capacity, maxColumns_));
    const auto first = static_cast<std::uint32_t>(keys_.size());
    for (auto* array : {&keys_, &metIn_, &counts_}) {
      array->resize(array->size() + capacity, 0);
      std::copy_n(array->begin() + places.first, places.used, array->begin() + first);
    }
    places.first = first;
    places.capacity = capacity;
  }
  const std::size_t place = places.first + places.used++;
  keys_[place] = key;
  metIn_[place] = static_cast<std::uint32_t>(current_);
  counts_[place] = count;
  return true;
}

void CountedTables::endPopulation() {
  std::uint32_t largest = 0;
  std::size_t cells = 0;
  for (std::size_t locus = 1; locus < places_.size(); ++locus) {
    const Places& places = places_[locus];
    for (std::uint32_t slot = 0; slot < places.used; ++slot) largest = std::max(largest, counts_[places.first + slot]);
    cells += places.used;
  }
  Segment segment;
  segment.width = widthFor(largest);
  segment.largest = largest;
  segment.cells.resize(cells * static_cast<std::size_t>(segment.width));
  std::uint8_t* out = segment.cells.data();
  for (std::size_t locus = 1; locus < places_.size(); ++locus) {
    const Places& places = places_[locus];
    std::uint32_t* counts = counts_.data() + places.first;
    for (std::uint32_t slot = 0; slot < places.used; ++slot) {
      putCell(out, segment.width, counts[slot]);
      counts[slot] = 0;
    }
  }
  segments_.push_back(std::move(segment));
}

CountedTables CountedTables::wholeLoci(const std::vector<std::uint32_t>& largest, int maxColumns) {
  CountedTables tables(0, maxColumns, 1);
  for (std::uint32_t bound : largest) {
    Segment segment;
    segment.width = widthFor(bound);
    segment.largest = bound;
    tables.segments_.push_back(std::move(segment));
  }
  tables.current_ = static_cast<int>(largest.size()) + 1;  // nothing more is counted population by population
  return tables;
}

bool CountedTables::appendLocus(const std::vector<std::uint32_t>& keys, const CountTable& counts) {
  if (keys.size() > static_cast<std::size_t>(maxColumns_)) return false;
  for (std::size_t p = 0; p < segments_.size(); ++p) {
    for (std::size_t slot = 0; slot < keys.size(); ++slot) {
      const std::int32_t count = counts.at(static_cast<int>(p) + 1, static_cast<int>(slot) + 1);
      if (count < 0 || static_cast<std::uint32_t>(count) > segments_[p].largest) return false;
    }
  }
  Places places;
  places.first = static_cast<std::uint32_t>(keys_.size());
  places.capacity = places.used = static_cast<std::uint16_t>(keys.size());
  places_.push_back(places);
  keys_.insert(keys_.end(), keys.begin(), keys.end());
  metIn_.insert(metIn_.end(), keys.size(), 1);  // every key is in every segment
  for (std::size_t p = 0; p < segments_.size(); ++p) {
    Segment& segment = segments_[p];
    const std::size_t end = segment.cells.size();
    segment.cells.resize(end + keys.size() * static_cast<std::size_t>(segment.width));
    std::uint8_t* out = segment.cells.data() + end;
    for (std::size_t slot = 0; slot < keys.size(); ++slot) {
      putCell(out, segment.width,
              static_cast<std::uint32_t>(counts.at(static_cast<int>(p) + 1, static_cast<int>(slot) + 1)));
    }
  }
  return true;
}

void CountedTables::beginPopulation(int population) {
  while (current_ < population) {
    endPopulation();
    ++current_;
  }
}

void CountedTables::finish(int populations) {
  beginPopulation(populations);
  if (populations >= current_) {
    endPopulation();
    ++current_;
  }
}

std::size_t CountedTables::bytes() const {
  std::size_t total = places_.size() * sizeof(Places) + (keys_.size() + metIn_.size()) * sizeof(std::uint32_t);
  for (const Segment& segment : segments_) total += segment.cells.size();
  return total;
}

CountedTables::Reader::Reader(const CountedTables& tables, std::vector<int> populations) : tables_(tables) {
  if (populations.empty()) {
    populations_.resize(tables.segments_.size());
    std::iota(populations_.begin(), populations_.end(), 0);
  } else {
    for (int population : populations) populations_.push_back(population - 1);
  }
  offsets_.assign(populations_.size(), 0);
}

void CountedTables::Reader::passTo(int locus) {
  for (; next_ < locus; ++next_) {
    const Places& places = tables_.places_[static_cast<std::size_t>(next_)];
    const std::uint32_t* metIn = tables_.metIn_.data() + places.first;
    std::uint32_t stored = 0;  // the keys met in the populations so far
    for (std::size_t r = 0; r < offsets_.size(); ++r) {
      const auto p = static_cast<std::uint32_t>(populations_[r]);
      while (stored < places.used && metIn[stored] <= p + 1) ++stored;
      offsets_[r] += stored;
    }
  }
}

void CountedTables::Reader::read(int locus, CountTable& table, std::vector<std::uint32_t>* keys) {
  passTo(locus);
  const Places& places = tables_.places_[static_cast<std::size_t>(locus)];
  const std::uint32_t* slotKeys = tables_.keys_.data() + places.first;
  const std::uint32_t* metIn = tables_.metIn_.data() + places.first;
  // The columns in increasing key order: column_[slot] for the slots in the
  // order they were met, which is that order as a rule.
  column_.resize(places.used);
  bool inOrder = true;
  for (std::uint32_t slot = 1; slot < places.used; ++slot) inOrder = inOrder && slotKeys[slot - 1] < slotKeys[slot];
  if (inOrder) {
    for (std::uint32_t slot = 0; slot < places.used; ++slot) column_[slot] = static_cast<int>(slot) + 1;
    if (keys != nullptr) keys->assign(slotKeys, slotKeys + places.used);
  } else {
    order_.resize(places.used);
    std::iota(order_.begin(), order_.end(), 0u);
    std::sort(order_.begin(), order_.end(), [&](std::uint32_t a, std::uint32_t b) { return slotKeys[a] < slotKeys[b]; });
    for (std::uint32_t rank = 0; rank < places.used; ++rank) column_[order_[rank]] = static_cast<int>(rank) + 1;
    if (keys != nullptr) {
      keys->resize(places.used);
      for (std::uint32_t rank = 0; rank < places.used; ++rank) (*keys)[rank] = slotKeys[order_[rank]];
    }
  }

  const int rows = static_cast<int>(offsets_.size());
  table.resize(rows, places.used);
  std::uint32_t stored = 0;
  for (int r = 0; r < rows; ++r) {
    const auto p = static_cast<std::uint32_t>(populations_[static_cast<std::size_t>(r)]);
    while (stored < places.used && metIn[stored] <= p + 1) ++stored;
    const Segment& segment = tables_.segments_[p];
    if (segment.width != 0) {
      for (std::uint32_t slot = 0; slot < stored; ++slot) {
        table.at(r + 1, column_[slot]) = static_cast<std::int32_t>(
            cellAt(segment.cells.data(), segment.width, offsets_[static_cast<std::size_t>(r)] + slot));
      }
    }
    offsets_[static_cast<std::size_t>(r)] += stored;
  }
  next_ = locus + 1;
}

}  // namespace ortelan
