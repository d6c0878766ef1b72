// commissions: the schedules of the home's commission file.
#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>

#include "app/cli/commands.h"
#include "app/cli/table.h"
#include "commissions/comisiones.h"
#include "host/archive.h"
#include "host/env.h"
#include "host/numbers.h"
#include "host/strings.h"
#include "model/entry.h"

namespace cartera::cli {
namespace {

using Json = nlohmann::ordered_json;

struct CommissionArgs {
    std::string name;
    std::string amount;
    std::string kind = "4";
    TextOption from, to, commissionPct, commissionMin, brokeragePct, brokerageMin, royalty,
        unitRate, unitMin;
    bool makeDefault = false;
    bool json = false;
};

// A schedule as listed: one name and kind, in order of first appearance.
struct ScheduleSummary {
    std::string name;
    int32_t kind;
    bool isDefault;
    int brackets;
};

std::unique_ptr<CAdmComisiones> LoadSchedules(const Context& ctx) {
    auto adm = std::make_unique<CAdmComisiones>(ctx);
    try {
        adm->Load();
    } catch (const CArchiveException&) {
        Fail(ErrorKind::damaged, adm->LoadError());
    }
    if (!adm->LoadError().empty()) FailIo(adm->LoadError());
    return adm;
}

void SaveSchedules(CAdmComisiones& adm) {
    if (!adm.Save().ok()) FailIo("cannot write the commission file " + adm.FilePath());
    NoteChangeSaved();
}

int32_t ReadKind(const std::string& text) {
    int32_t kind = ReadWholeNumber("--kind", text);
    if (kind != 2 && kind != 4 && kind != 8) FailUsage("--kind must be 2, 4 or 8, not " + text);
    return kind;
}

std::vector<ScheduleSummary> Summaries(const CAdmComisiones& adm) {
    std::vector<ScheduleSummary> out;
    for (const stComision& r : adm.Records()) {
        auto it = std::find_if(out.begin(), out.end(), [&](const ScheduleSummary& s) {
            return s.name == r.name && s.kind == r.kind;
        });
        if (it == out.end()) it = out.insert(out.end(), {r.name, r.kind, false, 0});
        it->isDefault = it->isDefault || r.isDefault != 0;
        ++it->brackets;
    }
    return out;
}

std::string Names(const CAdmComisiones& adm) {
    std::string names;
    for (const auto& s : Summaries(adm)) names += (names.empty() ? "" : ", ") + s.name;
    return names.empty() ? "there are none" : "schedules: " + names;
}

void RequireSchedule(const CAdmComisiones& adm, const std::string& name, int32_t kind) {
    if (!adm.Exists(name, kind))
        FailUsage("no commission schedule '" + name + "' of kind " + std::to_string(kind) + " (" +
                  Names(adm) + ")");
}

void List(Output io, const CommissionArgs& a) {
    auto adm = LoadSchedules(io.context);
    if (a.json) {
        Json out = Json::array();
        for (const auto& s : Summaries(*adm))
            out.push_back(Json{{"name", s.name},
                               {"kind", s.kind},
                               {"default", s.isDefault},
                               {"brackets", s.brackets}});
        io.out << out.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        return;
    }
    TextTable t{"", {::LS(3405), "Kind", "Default", "Brackets"}, {false, true, false, true}, {}};
    for (const auto& s : Summaries(*adm))
        t.rows.push_back(
            {s.name, std::to_string(s.kind), s.isDefault ? "*" : "", std::to_string(s.brackets)});
    io.out << RenderTable(t);
}

void ShowSchedule(Output io, const CommissionArgs& a) {
    int32_t kind = ReadKind(a.kind);
    auto adm = LoadSchedules(io.context);
    RequireSchedule(*adm, a.name, kind);
    CArrayComisiones brackets;
    adm->GetBrackets(a.name, kind, brackets);
    if (a.json) {
        Json list = Json::array();
        for (const stComision& r : brackets)
            list.push_back(Json{{"schedule_id", r.idSchedule},
                                {"bracket_index", r.bracketIndex},
                                {"from", r.from},
                                {"to", r.to},
                                {"commission_pct", r.commissionPct},
                                {"commission_min", r.commissionMin},
                                {"brokerage_pct", r.brokeragePct},
                                {"brokerage_min", r.brokerageMin},
                                {"royalty", r.royalty},
                                {"unit_rate", r.unitRate},
                                {"unit_min", r.unitMin}});
        Json out{{"name", a.name},
                 {"kind", kind},
                 {"default", !brackets.empty() && brackets.front().isDefault != 0},
                 {"brackets", list}};
        io.out << out.dump(2, ' ', false, Json::error_handler_t::replace) << '\n';
        return;
    }
    TextTable t{a.name,
                {::LS(3410), ::LS(3411), ::LS(3408), ::LS(3413), ::LS(3412), ::LS(3413), ::LS(3414),
                 "Unit rate", "Unit minimum"},
                std::vector<bool>(9, true),
                {}};
    for (const stComision& r : brackets) {
        t.rows.push_back({FullNumberText(r.from), FullNumberText(r.to),
                          FullNumberText(r.commissionPct), FullNumberText(r.commissionMin),
                          FullNumberText(r.brokeragePct), FullNumberText(r.brokerageMin),
                          FullNumberText(r.royalty), FullNumberText(r.unitRate),
                          FullNumberText(r.unitMin)});
    }
    io.out << RenderTable(t);
}

// Rates, minimums, bounds and amounts: numbers from 0 to the largest amount entry takes.
double ReadAmount(const std::string& what, const std::string& text) {
    double v = ReadNumber(what, text);
    if (!(v >= 0 && v <= kMaxEntryAmount))
        FailUsage(what + " must be a number from 0 to 1e12, not '" + text + "'");
    return v;
}

double Amount(const TextOption& opt) {
    return opt.Given() ? ReadAmount(opt.option->get_name(), opt.value) : 0.0;
}

void AddBracket(Output io, const CommissionArgs& a) {
    if (a.name.empty()) FailUsage("NAME must not be empty");
    int32_t kind = ReadKind(a.kind);
    stComision r;
    r.from = ReadAmount("--from", a.from.value);
    r.to = ReadAmount("--to", a.to.value);
    r.commissionPct = Amount(a.commissionPct);
    r.commissionMin = Amount(a.commissionMin);
    r.brokeragePct = Amount(a.brokeragePct);
    r.brokerageMin = Amount(a.brokerageMin);
    r.royalty = Amount(a.royalty);
    r.unitRate = Amount(a.unitRate);
    r.unitMin = Amount(a.unitMin);
    std::string bounds = FullNumberText(r.from) + " to " + FullNumberText(r.to);
    if (r.to < r.from) FailUsage(::LS(3416) + ": " + bounds + " ends below its start");
    auto lock = LockCommissions(io.context);
    auto adm = LoadSchedules(io.context);
    if (!adm->CheckBracket(a.name, kind, r.from, r.to))
        FailUsage(::LS(3416) + ": " + bounds + " collides with a bracket of '" + a.name + "'");
    r.idSchedule = adm->FindScheduleId(a.name);
    r.kind = kind;
    r.name = a.name;
    // A schedule's records carry one default flag; a new bracket joins its schedule's.
    r.isDefault = adm->GetDefaultName() == a.name ? 1 : 0;
    adm->Add(r);
    if (a.makeDefault) adm->SetDefault(a.name);
    SaveSchedules(*adm);
}

void DeleteSchedule(Output io, const CommissionArgs& a) {
    int32_t kind = ReadKind(a.kind);
    auto lock = LockCommissions(io.context);
    auto adm = LoadSchedules(io.context);
    RequireSchedule(*adm, a.name, kind);
    adm->DeleteSchedule(a.name, kind);
    SaveSchedules(*adm);
}

void MakeDefault(Output io, const CommissionArgs& a) {
    auto lock = LockCommissions(io.context);
    auto adm = LoadSchedules(io.context);
    if (adm->FindScheduleId(a.name) == -1)
        FailUsage("no commission schedule '" + a.name + "' (" + Names(*adm) + ")");
    adm->SetDefault(a.name);
    SaveSchedules(*adm);
}

void Calculate(Output io, const CommissionArgs& a) {
    int32_t kind = ReadKind(a.kind);
    double amount = ReadAmount("AMOUNT", a.amount);
    auto adm = LoadSchedules(io.context);
    RequireSchedule(*adm, a.name, kind);
    io.out << DecimalText(adm->CalculateCommission(a.name, amount, kind)) << '\n';
}

CLI::App* AddNamed(CLI::App* parent, const std::string& name, const std::string& help,
                   CommissionArgs& a) {
    CLI::App* sub = parent->add_subcommand(name, help);
    sub->add_option("NAME", a.name, "schedule name")->required();
    return sub;
}

void AddKind(CLI::App* sub, CommissionArgs& a) {
    sub->add_option("--kind", a.kind, "schedule kind: 2, 4 or 8 (default 4)");
}

void AddBracketOptions(CLI::App* sub, CommissionArgs& a) {
    AddText(sub, "--from", a.from, "lowest amount of the bracket")->required();
    AddText(sub, "--to", a.to, "highest amount of the bracket")->required();
    AddKind(sub, a);
    AddText(sub, "--commission-pct", a.commissionPct, "commission rate");
    AddText(sub, "--commission-min", a.commissionMin, "commission minimum");
    AddText(sub, "--brokerage-pct", a.brokeragePct, "brokerage rate in percent");
    AddText(sub, "--brokerage-min", a.brokerageMin, "brokerage minimum");
    AddText(sub, "--royalty", a.royalty, "fixed amount added to every commission");
    AddText(sub, "--unit-rate", a.unitRate, "factor of the amount (kind 2)");
    AddText(sub, "--unit-min", a.unitMin, "minimum (kind 2)");
    sub->add_flag("--default", a.makeDefault, "make the schedule the default");
}

}  // namespace

void AddCommissionCommands(CLI::App& app, Output io, Commands& commands) {
    auto a = std::make_shared<CommissionArgs>();
    CLI::App* group = app.add_subcommand("commissions", "Commission schedules of the home");
    group->require_subcommand(1);

    CLI::App* sub = group->add_subcommand("list", "List the schedules");
    sub->add_flag("--json", a->json, "print JSON");
    commands.push_back({sub, [io, a] { List(io, *a); }});

    sub = AddNamed(group, "show", "Show the brackets of a schedule", *a);
    AddKind(sub, *a);
    sub->add_flag("--json", a->json, "print JSON");
    commands.push_back({sub, [io, a] { ShowSchedule(io, *a); }});

    sub =
        AddNamed(group, "add-bracket", "Add a bracket to a schedule (new names: new schedule)", *a);
    AddBracketOptions(sub, *a);
    commands.push_back({sub, [io, a] { AddBracket(io, *a); }});

    sub = AddNamed(group, "delete", "Delete a schedule", *a);
    AddKind(sub, *a);
    commands.push_back({sub, [io, a] { DeleteSchedule(io, *a); }});

    sub = AddNamed(group, "default", "Make a schedule the default", *a);
    commands.push_back({sub, [io, a] { MakeDefault(io, *a); }});

    sub = AddNamed(group, "calc", "Commission of an amount under a schedule", *a);
    sub->add_option("AMOUNT", a->amount, "traded amount")->required();
    AddKind(sub, *a);
    commands.push_back({sub, [io, a] { Calculate(io, *a); }});
}

}  // namespace cartera::cli
