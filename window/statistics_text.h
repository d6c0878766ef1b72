#pragma once
// The statistics window's string ids and the formatting of its figures in the interface
// language.
#include <QString>
#include <string>

class QTableView;

namespace cartera::window {

enum StatisticsText : int {
    kTextType = 3381,
    kTextSymbol = 3384,
    kTextContracts = 3385,
    kTextGroup = 3390,
    kTextTitle = 41001,
    kTextFrom = 41002,
    kTextTo = 41003,
    kTextCodes = 41004,
    kTextGroups = 41005,
    kTextSide = 41006,
    kTextBothSides = 41007,
    kTextLong = 41008,
    kTextShort = 41009,
    kTextFirstPage = 41010,    // the five page titles follow
    kTextFirstFigure = 41020,  // the twenty summary figures, in the order of the stats table
    kTextResult = 41040,
    kTextFigure = 41041,
    kTextValue = 41042,
    kTextEquity = 41011,
    kTextDrawdown = 41044,
    kTextWithCapital = 41045,
    kTextYear = 41046,
    kTextMonth = 41047,
    kTextTermDays = 41069,
    kTextProceeds = 41070,
    kTextCost = 41071,
    kTextGain = 41072,
    kTextDaysHeld = 41073,
    kTextTerm = 41074,
    kTextShortTerm = 41075,
    kTextLongTerm = 41076,
    kTextDividends = 41077,
    kTextExpenses = 41078,
    kTextEntryDate = 41079,
    kTextExitDate = 41080,
    kTextCode = 41081,
    kTextAmount = 41082,
    kTextBy = 41083,
    kTextWeekday = 41084,
    kTextHolding = 41085,
    kTextAverageDays = 41087,
    kTextPrint = 41088,
    kTextExportPdf = 41089,
    kTextExportCsv = 41090,
    kTextClose = 41091,
    kTextDays = 41092,
    kTextOver = 41093,
    kTextTotal = 41094,
    kTextCannotWrite = 41095,
    kTextTrades = 41020,
    kTextWinRate = 41024,
    kTextProfitFactor = 41027,
    kTextExpectancy = 41031,
};

class TaxTradesModel;
// A model of the tax year's trades set on view, which owns it.
TaxTradesModel* AttachTaxTradesModel(QTableView* view);

std::string Text(int id);
QString QText(int id);
// An amount with two decimals and the language's separators.
QString Money(double value);
// A fraction as a percentage with two decimals.
QString Percent(double fraction);

}  // namespace cartera::window
