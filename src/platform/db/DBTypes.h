// The small enumerations and value types that the dataset engine, its fields
// and its data-aware clients share: dataset states, field kinds, update
// status, locate options, data events and bookmarks. The numbering follows
// the component library's, so stored settings and comparisons keep working.
#pragma once

#include <QFlags>
#include <QtGlobal>

#include "platform/db/DataPacket.h"

namespace vantor {

enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
  dsNewValue, dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// Data fields come from the provider; calculated ones are computed by
// OnCalcFields; internally calculated ones are kept with the row but never
// sent back; aggregates summarise all rows.
enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };

enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };

enum TLocateOption { loCaseInsensitive = 1, loPartialKey = 2 };
Q_DECLARE_FLAGS(TLocateOptions, TLocateOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(TLocateOptions)

enum TAlignment { taLeftJustify = 0, taRightJustify = 1, taCenter = 2 };

// What a dataset tells its data sources and, through them, the controls.
enum TDataEvent {
  deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
  deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
  deFocusControl, deParentScroll
};

// A row identity that survives sorting, filtering and further fetching.
// Zero is no bookmark.
struct TBookmark {
  quint64 Id = 0;
  bool IsValid() const { return Id != 0; }
  bool operator==(const TBookmark& o) const { return Id == o.Id; }
  bool operator!=(const TBookmark& o) const { return Id != o.Id; }
};

}  // namespace vantor
