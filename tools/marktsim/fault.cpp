#include "fault.h"

#include <array>
#include <utility>

namespace marktsim {
namespace {

constexpr std::array<std::pair<FaultKind, const char*>, 14> kNames{{
    {FaultKind::Delay, "delay"},
    {FaultKind::Hang, "hang"},
    {FaultKind::Drip, "drip"},
    {FaultKind::Unauthorized, "unauthorized"},
    {FaultKind::Status, "status"},
    {FaultKind::Malformed, "malformed"},
    {FaultKind::WrongShape, "wrongshape"},
    {FaultKind::Sparse, "sparse"},
    {FaultKind::Truncated, "truncated"},
    {FaultKind::Reset, "reset"},
    {FaultKind::Oversize, "oversize"},
    {FaultKind::Arrive, "arrive"},
    {FaultKind::Overcount, "overcount"},
    {FaultKind::BadUtf8, "badutf8"},
}};

} // namespace

std::optional<FaultKind> faultKindFromName(QStringView name) {
    for (const auto& [kind, text] : kNames)
        if (name == QLatin1String(text))
            return kind;
    return std::nullopt;
}

} // namespace marktsim
