#include "osreport/version_record.h"

#include <string.h>

VersionQueryResult QueryVersionRecord(OSVERSIONINFOEXA* record, VersionQueryFunction query) {
  LPOSVERSIONINFOA basic = reinterpret_cast<LPOSVERSIONINFOA>(record);
  VersionQueryResult result = {false, false, 0};

  memset(record, 0, sizeof(*record));
  record->dwOSVersionInfoSize = kExtendedRecordSize;
  result.extended = query(basic) != FALSE;
  if (result.extended) {
    result.obtained = true;
    return result;
  }

  // The record is not cleared again: a failed query leaves it as it was,
  // and the extended fields keep their zeros for the edition decision.
  record->dwOSVersionInfoSize = kBasicRecordSize;
  result.obtained = query(basic) != FALSE;
  if (!result.obtained)
    result.error_code = GetLastError();
  return result;
}
