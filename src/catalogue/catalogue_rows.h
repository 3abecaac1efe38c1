// The files table's columns, written and read in one place.
#pragma once

#include <string_view>

#include "catalogue/catalogue.h"
#include "catalogue/sqlite_database.h"

namespace vantorel {

// In the order BindEntry binds and EntryOf reads them.
inline constexpr std::string_view EntryColumns =
    "path, name, bytes, modified_ns, is_frame, error, layout, spacecraft, nssdc_data_set_id, data_set_code, "
    "fds_count, picture_number, camera, filter_number, filter_name, exposure_seconds, observed_year, observed_day, "
    "observed_gmt, observed, target, revolution";
inline constexpr int EntryColumnCount = 22;

void BindEntry(SqliteStatement& statement, const CatalogueEntry& entry);
CatalogueEntry EntryOf(const SqliteStatement& statement);

}  // namespace vantorel
