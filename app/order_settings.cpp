#include "app/steel_order.h"
#include "calc/number.h"
#include "text/arrangement.h"
#include "text/order_messages.h"

#include <cmath>
#include <map>

// The order's settings as typed: every value a number and nothing else, in
// the range it may take, or the setting refused by name.

namespace tavrilo {
namespace {

// A setting's length in metres, to the millimetre; nothing when the text is
// not one number from `least` to `most` metres.
std::optional<Millimetres> ReadMillimetres(std::string_view typed, double least, double most) {
    const std::string_view text = TrimBlanks(typed);
    if (!IsOnlyNumber(text)) // "9x" is refused, not read as 9
        return std::nullopt;
    const double metres = ParseLeadingNumber(text);
    if (!(metres >= least && metres <= most))
        return std::nullopt;
    return static_cast<Millimetres>(std::llround(RoundHalfEven(metres, 3) * 1000));
}

// Calls `read` with each item of a list, separated as lists are typed: , ，
// 、 ; ； or /; false as soon as it does.
template <typename Read> bool ForEachListed(std::string_view typed, Read read) {
    constexpr std::string_view kSeparators[] = {",", "，", "、", ";", "；", "/"};
    std::string_view rest = typed;
    while (true) {
        std::size_t end = std::string_view::npos;
        std::size_t width = 0;
        for (std::string_view separator : kSeparators)
            if (const std::size_t at = rest.find(separator); at < end) {
                end = at;
                width = separator.size();
            }
        if (!read(rest.substr(0, end)))
            return false;
        if (end == std::string_view::npos)
            return true;
        rest.remove_prefix(end + width);
    }
}

// The text before and after the first colon (: or ：) of `typed`; nothing
// after it when there is none.
std::pair<std::string_view, std::optional<std::string_view>> SplitAtColon(std::string_view typed) {
    std::size_t colon = typed.find(':');
    std::size_t width = 1;
    if (const std::size_t wide = typed.find("："); wide < colon) {
        colon = wide;
        width = std::string_view("：").size();
    }
    if (colon == std::string_view::npos)
        return {typed, std::nullopt};
    return {typed.substr(0, colon), typed.substr(colon + width)};
}

// A stock length with its price per tonne after a colon ("9:3900"), when
// given; nothing when the price is not a number from 0 to a million.
std::optional<std::pair<Millimetres, std::optional<double>>>
ReadPricedLength(std::string_view typed) {
    const auto [before, after] = SplitAtColon(typed);
    const std::optional<Millimetres> length = ReadMillimetres(before, 0.01, 100);
    if (!length || !after)
        return length ? std::optional(std::pair{*length, std::optional<double>()}) : std::nullopt;
    const std::string_view price = TrimBlanks(*after);
    if (!IsOnlyNumber(price) ||
        !(ParseLeadingNumber(price) >= 0 && ParseLeadingNumber(price) <= 1e6))
        return std::nullopt;
    return std::pair{*length, std::optional(ParseLeadingNumber(price))};
}

// The stock lengths, separated as lists are typed: , ， 、 ; ； or /, each
// with its price per tonne or none with one.
bool ReadStockLengths(std::string_view typed, OrderSettings& settings) {
    std::map<Millimetres, std::optional<double>> lengths;
    const bool read = ForEachListed(typed, [&](std::string_view item) {
        const auto length = ReadPricedLength(item);
        if (!length ||
            (lengths.contains(length->first) && lengths.at(length->first) != length->second))
            return false;
        lengths[length->first] = length->second;
        return true;
    });
    if (!read)
        return false;
    settings.StockLengths.clear();
    settings.PricesPerTonne.clear();
    for (const auto& [length, price] : lengths) {
        if (price.has_value() != lengths.begin()->second.has_value())
            return false; // every length has its price, or none has
        settings.StockLengths.push_back(length);
        if (price)
            settings.PricesPerTonne.push_back(*price);
    }
    return true;
}

bool ReadLap(std::string_view typed, OrderSettings& settings) {
    const std::string_view text = TrimBlanks(typed);
    if (text.ends_with('d') || text.ends_with('D')) {
        const std::string_view times = TrimBlanks(text.substr(0, text.size() - 1));
        if (!IsOnlyNumber(times)) // "36dd" is refused, not read as 36d
            return false;
        const double value = ParseLeadingNumber(times);
        if (!(value > 0 && value <= 1000))
            return false;
        settings.LapTimesDiameter = value;
        return true;
    }
    const std::optional<Millimetres> length =
        ReadMillimetres(text, static_cast<double>(kShortestLap) / 1000, 100);
    if (!length)
        return false;
    settings.LapLength = *length;
    return true;
}

// The largest diameter of coils, typed in millimetres: 0 to the thickest bar.
std::optional<double> ReadCoilsUpTo(std::string_view typed) {
    const std::string_view text = TrimBlanks(typed);
    if (!IsOnlyNumber(text))
        return std::nullopt;
    const double millimetres = ParseLeadingNumber(text);
    if (!(millimetres >= 0 && millimetres <= kThickestBarMetres * 1000))
        return std::nullopt;
    return millimetres / 1000;
}

// The shear's capacity typed as diameter:bars items ("12:6,16:4"), each
// diameter in millimetres from the thinnest bar to the thickest, to the
// tenth, and its bars a whole number from 1 to kMostBarsPerStroke; they
// replace the capacity of those diameters.
bool ReadShear(std::string_view typed, OrderSettings& settings) {
    std::map<int, int> capacity;
    for (const ShearCapacity& entry : settings.Shear)
        capacity[entry.DiameterTenths] = entry.Bars;
    std::map<int, int> given;
    const bool read = ForEachListed(typed, [&](std::string_view item) {
        const auto [before, after] = SplitAtColon(item);
        const std::string_view diameter = TrimBlanks(before);
        const std::string_view bars = after ? TrimBlanks(*after) : std::string_view();
        if (!IsOnlyNumber(diameter) || !IsOnlyNumber(bars))
            return false;
        const double millimetres = ParseLeadingNumber(diameter);
        const double count = ParseLeadingNumber(bars);
        if (!(millimetres >= kThinnestBarMetres * 1000 &&
              millimetres <= kThickestBarMetres * 1000) ||
            !(count >= 1 && count <= kMostBarsPerStroke) || count != std::floor(count))
            return false;
        const int tenths = static_cast<int>(std::llround(millimetres * 10));
        if (given.contains(tenths) && given[tenths] != static_cast<int>(count))
            return false;
        given[tenths] = static_cast<int>(count);
        return true;
    });
    if (!read)
        return false;
    for (const auto& [tenths, bars] : given)
        capacity[tenths] = bars;
    settings.Shear.clear();
    for (const auto& [tenths, bars] : capacity)
        settings.Shear.push_back({tenths, bars});
    return true;
}

} // namespace

std::variant<OrderSettings, std::string> ReadOrderSettings(const OrderSettingsText& typed) {
    OrderSettings settings;
    if (typed.StockLengths && !ReadStockLengths(*typed.StockLengths, settings))
        return StockLengthRefusal(*typed.StockLengths);
    if (typed.Kerf) {
        const auto kerf = ReadMillimetres(*typed.Kerf, 0, 0.1);
        if (!kerf)
            return KerfRefusal(*typed.Kerf);
        settings.Kerf = *kerf;
    }
    if (typed.ShortestKept) {
        const auto kept = ReadMillimetres(*typed.ShortestKept, 0, 100);
        if (!kept)
            return ShortestKeptRefusal(*typed.ShortestKept);
        settings.ShortestKept = *kept;
    }
    if (typed.Lap) {
        if (!ReadLap(*typed.Lap, settings))
            return LapRefusal(*typed.Lap);
        settings.Splice = SpliceMethod::Lap;
    } else if (typed.Couplers) {
        settings.Splice = SpliceMethod::Couplers;
    }
    if (typed.CoilsUpTo) {
        const auto coils = ReadCoilsUpTo(*typed.CoilsUpTo);
        if (!coils)
            return CoilsRefusal(*typed.CoilsUpTo);
        settings.CoilsUpTo = *coils;
    }
    if (typed.Shear && !ReadShear(*typed.Shear, settings))
        return ShearRefusal(*typed.Shear);
    return settings;
}

} // namespace tavrilo
