// The dataset engine in one include: datasets, fields, definitions, data
// sources and links, client datasets and the widget binding.
#pragma once

#include "platform/db/ClientDataSet.h"
#include "platform/db/DBEvents.h"
#include "platform/db/DBTypes.h"
#include "platform/db/DataBinding.h"
#include "platform/db/DataPacket.h"
#include "platform/db/DataSet.h"
#include "platform/db/DataSource.h"
#include "platform/db/DateTimeText.h"
#include "platform/db/Field.h"
#include "platform/db/FieldDefs.h"
#include "platform/db/FieldTypes.h"
#include "platform/db/FormatFloat.h"
#include "platform/db/IndexDefs.h"
#include "platform/db/wwClientDataSet.h"
