// Component chores of the framework's forms and data modules: writing a
// field's text safely, recolouring or enabling every control bound to a
// list of fields, fitting grid columns to the grid, copying the selected
// lines between list boxes, and finding the last control of each page.
//
// Controls are found among all descendants of the owner (a widget placed on
// a panel is still the form's component); they are bound to a field through
// their "DataField" property and recoloured through "Color" (a TColor).
#pragma once

#include <QString>
#include <QStringList>

#include "platform/os/CodePages.h"

class QListWidget;
class QObject;
class QTabWidget;
class QTableView;
class QWidget;

namespace vantor {

class TDataSet;
class TField;

// The only colour that combo boxes, data-aware radio groups and data-aware
// check boxes take from ColorByDataFields (red 0, green 200, blue 200).
inline constexpr int kBoundControlHighlight = 13158400;

// Writes the text even when the field is read-only (the flag is back
// afterwards, also on error). With useEditText, integer and floating-point
// fields take it as edit text. A string field gets at most as much of the
// text as its size allows, counted in bytes of a double-byte system code
// page (936, 950) and in characters otherwise, never splitting a character.
// False only when there is no field; errors of the assignment itself (a
// refusing OnValidate) reach the caller.
bool SetFieldText(TField* field, const QString& text, bool useEditText, int codePage = CP_ACP);

// For each name of the list (cut at the separator, trimmed; the walk stops
// at the first empty entry), sets "Color" of every control of the owner
// whose "DataField" is that name ignoring case.
void ColorByDataFields(QObject* owner, const QString& fieldList, const QString& separator, int color);
// For each entry of the list (only the word before the first blank counts;
// empty entries are skipped), sets "Enabled" of the bound controls.
void EnableByDataFields(QObject* owner, const QString& fieldList, const QString& separator, bool enabled);

// Widens the columns of a grid whose data source ("DataSource" property)
// has an open dataset with fields so that they fill the grid, or widens the
// grid's parent when the columns need more room than the grid has.
void FitGridColumns(QTableView* grid);

// Adds every selected line of the source that the target lacks (exact
// text), in source order.
void AddSelectedItems(QListWidget* target, QListWidget* source);

// The dataset exists, is open, in browse state and holds a record.
bool IsBrowsingWithData(const TDataSet* dataSet);

// Names of the last control (highest tab order) of each page, the first
// sixteen pages at most, leaving out a last "TbsBrowse" page and a "TbsUDF"
// page at the end or just before it; answers the control of the last name
// (nullptr when there is none). A control counts when it sits directly on
// the page and is visible and enabled there.
QWidget* LastControlsOfPages(QTabWidget* pages, QStringList& names);

}  // namespace vantor
