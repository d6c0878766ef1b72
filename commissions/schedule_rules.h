#pragma once
// What a commission schedule may hold, checked wherever schedules are edited (the editor,
// the command line), so both refuse the same things with the same words.
#include <string>

#include "commissions/comisiones.h"

namespace cartera {

// Why bracket cannot join others (the schedule's other brackets), in the interface
// language, naming the field and value or the bounds at fault: a negative (or
// not-a-number) percentage, minimum, fee or bound; a To below its From; a range sharing
// more than an end point with one of others (touching brackets are allowed), named with
// that bracket. Empty when it can.
std::string BracketRefusal(const stComision& bracket, const CArrayComisiones& others);

// Why name cannot name a new schedule of kind in adm, in the interface language: blank
// (spaces only), or the name of a schedule already, ignoring case (the editor's list
// tells names apart that way). Empty when it can.
std::string ScheduleNameRefusal(const CAdmComisiones& adm, const std::string& name, int32_t kind);

}  // namespace cartera
