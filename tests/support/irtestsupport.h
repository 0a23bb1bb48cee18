#pragma once

// What the IR tool tests share: signals as lists of values.

#include "irsignal.h"

#include <QByteArray>

#include <cstdint>
#include <initializer_list>
#include <vector>

using Values = std::vector<uint32_t>;

// The parts one after another; with a gap, that space between each two.
inline Values join(std::initializer_list<Values> parts, uint32_t gap = 0)
{
    Values out;
    for (const Values &p : parts) {
        if (gap && !out.empty())
            out.push_back(gap);
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

// The signal a text holds; no values when it does not parse.
inline lumo::ir::Signal parsed(const QByteArray &text)
{
    lumo::ir::Signal s;
    std::string error;
    return lumo::ir::parseSignal(text.toStdString(), s, error) ? s : lumo::ir::Signal{};
}
