// The walk and the compiled statements on the same statement, as the compiled statements' tests compare them.
#include "tests/compiled_support.h"

#include <gtest/gtest.h>

#include "fmtio/compiled/bound_fill.h"
#include "fmtio/compiled/prepared_read.h"
#include "fmtio/compiled/prepared_write.h"
#include "fmtio/format/internal.h"
#include "fmtio/format/render.h"
#include "tests/engine_support.h"

using namespace fmtio;

namespace compiled_support {

namespace {

using engine_support::Failed;
using engine_support::Recorder;

// Variables that hold the items' values, and the items bound to them:
// integers of each kind one after another in an array of their own, or with
// a variable between them, so that runs of fields find their variables
// consecutive or not; texts as they are.
struct Variables {
    std::vector<std::int32_t> ints;
    std::vector<std::int16_t> shorts;
    std::vector<Bound> items;

    Variables(const std::vector<Item>& values, bool apart)
        : ints(2 * values.size() + 1, -7), shorts(2 * values.size() + 1, -7)
    {
        const std::size_t step = apart ? 2 : 1;
        std::size_t i = 0, h = 0;
        for (const Item& it : values) {
            if (it.kind == Item::i32) {
                ints[i] = it.value;
                items.push_back(bind(ints[i]));
                i += step;
            } else if (it.kind == Item::i16) {
                shorts[h] = static_cast<std::int16_t>(it.value);
                items.push_back(bind(shorts[h]));
                h += step;
            } else {
                items.push_back(bind(it.text, it.len));
            }
        }
    }
    // New values for the same variables.
    void set(const std::vector<Item>& values)
    {
        for (std::size_t k = 0; k < values.size(); ++k) {
            if (values[k].kind == Item::i32)
                *const_cast<std::int32_t*>(static_cast<const std::int32_t*>(items[k].var)) = values[k].value;
            else if (values[k].kind == Item::i16)
                *const_cast<std::int16_t*>(static_cast<const std::int16_t*>(items[k].var)) =
                    static_cast<std::int16_t>(values[k].value);
        }
    }
};

} // namespace

std::string rendered(const Format& f, const std::vector<Item>& items)
{
    Recorder r;
    try {
        render(f, items.data(), items.size(), r, Stmt::write, "u");
    } catch (const Failed& e) {
        r.out += "#" + std::to_string(static_cast<int>(e.e));
    }
    return r.out;
}

std::string rendered_bound(const Format& f, const std::vector<Item>& values, const std::vector<Item>& again,
                           bool apart, bool* ready)
{
    Variables v(values, apart);
    BoundFill fill;
    *ready = fill.prepare(f, v.items.data(), v.items.size());
    if (!*ready)
        return rendered(f, values) + rendered(f, again);
    std::string out;
    for (const std::vector<Item>* now : {&values, &again}) {
        v.set(*now);
        // Held to exactly its length, so that a fill past it shows under the sanitizers.
        std::vector<char> rec(fill.text(), fill.text() + fill.len());
        fill(rec.data());
        // The whole record, template copy included, as a unit's buffer takes it.
        std::vector<char> built(fill.span(), '#');
        fill.build(built.data());
        EXPECT_EQ(std::string(built.begin(), built.begin() + static_cast<std::ptrdiff_t>(fill.len())),
                  std::string(rec.begin(), rec.end()));
        out.append(rec.begin(), rec.end());
        out += fill.open() ? '>' : '|';
    }
    return out;
}

std::vector<Item> other_values(const std::vector<Item>& items, std::mt19937& rng)
{
    std::vector<Item> v = items;
    for (Item& it : v) {
        if (it.kind == Item::i32)
            it.value = static_cast<std::int32_t>(rng() % 3 ? rng() % 200000 : rng());
        else if (it.kind == Item::i16)
            it.value = static_cast<std::int16_t>(rng());
    }
    return v;
}

std::string parsed(const Format& f, const std::string& text, const std::string& kinds)
{
    std::vector<std::int32_t> ints(kinds.size(), -555);
    std::vector<std::string> vars(kinds.size());
    std::vector<ReadItem> refs;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (kinds[k] == 'i') {
            refs.push_back(ref(ints[k]));
        } else {
            vars[k] = std::string(static_cast<std::size_t>(kinds[k] - '0'), '~');
            refs.push_back(ref(&vars[k][0], static_cast<std::int32_t>(vars[k].size())));
        }
    }
    std::string out;
    try {
        parse(f, text.data(), text.size(), refs.data(), refs.size(), "internal");
    } catch (const Failed& e) {
        out = "#" + std::to_string(static_cast<int>(e.e)) + " ";
    }
    for (std::size_t k = 0; k < kinds.size(); ++k)
        out += kinds[k] == 'i' ? std::to_string(ints[k]) + "," : "'" + vars[k] + "',";
    return out;
}

std::string written_by_walk(const Format& f, const std::vector<Item>& items, std::size_t room)
{
    struct Records final : RecordSink {
        std::vector<std::string> recs;
        void record(const char* d, std::size_t n, bool) override { recs.emplace_back(d, n); }
    } r;
    try {
        render(f, items.data(), items.size(), r, Stmt::write, "internal");
    } catch (const Failed& e) {
        // A second record overflows as soon as it ends, before any later error.
        if (r.recs.size() > 1 || (r.recs.size() == 1 && r.recs[0].size() > room))
            return "#6600";
        return "#" + std::to_string(static_cast<int>(e.e));
    }
    if (r.recs.size() != 1 || r.recs[0].size() > room)
        return "#6600";
    return r.recs[0] + std::string(room - r.recs[0].size(), ' ');
}

std::string written_prepared(const Format& f, const std::vector<Item>& items, std::size_t room, bool apart)
{
    std::string var(room, '~');
    const Variables v(items, apart);
    const PreparedWrite w(&var[0], static_cast<int>(room), f, v.items.data(), v.items.size());
    try {
        w();
    } catch (const Failed& e) {
        return "#" + std::to_string(static_cast<int>(e.e));
    }
    return var;
}

std::string parsed_prepared(const Format& f, const std::string& text, const std::string& kinds, bool apart)
{
    const std::size_t step = apart ? 2 : 1;
    std::vector<std::int32_t> ints(kinds.size() * step + 4, -555);
    std::vector<std::string> vars(kinds.size());
    std::vector<ReadItem> refs;
    for (std::size_t k = 0; k < kinds.size(); ++k) {
        if (kinds[k] == 'i') {
            refs.push_back(ref(ints[k * step]));
        } else {
            vars[k] = std::string(static_cast<std::size_t>(kinds[k] - '0'), '~');
            refs.push_back(ref(&vars[k][0], static_cast<std::int32_t>(vars[k].size())));
        }
    }
    const PreparedRead r(text.data(), static_cast<int>(text.size()), f, refs.data(), refs.size());
    std::string out;
    try {
        r();
    } catch (const Failed& e) {
        out = "#" + std::to_string(static_cast<int>(e.e)) + " ";
    }
    for (std::size_t k = 0; k < kinds.size(); ++k)
        out += kinds[k] == 'i' ? std::to_string(ints[k * step]) + "," : "'" + vars[k] + "',";
    for (std::size_t k = 0; k < ints.size(); ++k)
        if ((k % step != 0 || k >= kinds.size() * step || kinds[k / step] != 'i') && ints[k] != -555)
            out += " changed " + std::to_string(k);
    return out;
}

} // namespace compiled_support
