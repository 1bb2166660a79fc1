// The simulated NetWeaver library's data containers: a function's
// parameters, tables and structures, moving through a table's rows, and
// setting and reading fields.
#include <memory>
#include <optional>
#include <string>

#include "nwrfc_library.h"
#include "nwrfc_model.h"
#include "sim_config.h"
#include "sim_rows.h"
#include "sim_unicode.h"

using rfcsim::nw::Container;
using rfcsim::nw::Error;
using rfcsim::nw::FieldDef;
using rfcsim::nw::FieldType;
using rfcsim::nw::MakeError;

namespace rfcsim {
namespace {

// The current row's session of a user-list table.
const Session& CurrentSession(NwRfcDataContainer& table) {
  if (!table.generated) return table.sessions[table.current];
  if (table.scratchIndex != table.current) {
    FillGeneratedSession(table.current, table.client, &table.scratch);
    table.scratchIndex = table.current;
  }
  return table.scratch;
}

// A field of a container or of a table's current row.
Error Lookup(NwRfcDataContainer* container, const SAP_UC* name, const FieldDef** field) {
  if (container == nullptr) return InvalidHandle("data container");
  std::string shown = nw::Narrow(name);
  *field = nw::FindField(container->container, shown);
  if (*field == nullptr) return MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found");
  if (IsTable(container->container) && container->current >= container->rows) {
    return MakeError(RFC_ILLEGAL_STATE, "table has no current row");
  }
  return Error();
}

std::u16string CharValue(NwRfcDataContainer& container, const FieldDef& field) {
  if (container.container == Container::kList) {
    std::optional<FieldValue> value =
        ServerValue(field.name, container.servers[container.current], container.current);
    return value ? Latin1ToUtf16(value->Text()) : std::u16string();
  }
  if (container.container != Container::kUsrTabl) {
    auto it = container.chars.find(field.name);
    return it == container.chars.end() ? std::u16string() : it->second;
  }
  const Session& session = CurrentSession(container);
  UinfoField which = UinfoFieldOf(field.name);
  if (session.hasWide) {
    int index = which == UinfoField::kMandt   ? 0
                : which == UinfoField::kBname ? 1
                : which == UinfoField::kTcode ? 2
                : which == UinfoField::kTerm  ? 3
                                              : -1;
    if (index >= 0) return session.wide[index];
  }
  std::optional<FieldValue> value = UinfoValue(which, session, container.current);
  return value ? Latin1ToUtf16(value->Text()) : std::u16string();
}

long long IntValue(NwRfcDataContainer& container, const FieldDef& field) {
  if (container.container == Container::kUsrTabl) {
    std::optional<FieldValue> value =
        UinfoValue(UinfoFieldOf(field.name), CurrentSession(container), container.current);
    return value ? value->number : 0;
  }
  if (container.container == Container::kTfCpuAll) {
    std::optional<FieldValue> value = CpuValue(field.name);
    return value ? value->number : 0;
  }
  return 0;
}

// RfcGetTable and RfcGetStructure: the function's table or structure
// `name`, made when first asked for, as `find` knows them.
RFC_RC GetPart(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name, DATA_CONTAINER_HANDLE* handle,
               bool (*find)(Container, std::string_view, Container*), RFC_ERROR_INFO* errorInfo) {
  NwRfcDataContainer* function = Live(dataHandle);
  if (function == nullptr) return Report(InvalidHandle("data container"), errorInfo);
  std::string shown = nw::Narrow(name);
  Container kind;
  if (!find(function->container, shown, &kind) || handle == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "field '" + shown + "' not found"), errorInfo);
  }
  std::unique_ptr<NwRfcDataContainer>& slot = function->tables[shown];
  if (!slot) {
    slot = std::make_unique<NwRfcDataContainer>();
    slot->container = kind;
    Lib().containers.insert(slot.get());
  }
  *handle = slot.get();
  return Report(Error(), errorInfo);
}

}  // namespace
}  // namespace rfcsim

using namespace rfcsim;

// The exported entry points. Each keeps C++ exceptions (only an exhausted
// memory can raise one here) from crossing into a C caller.

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              const RFC_CHAR* charValue, unsigned valueLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetChars)) return Report(Simulated("RfcSetChars"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kChar) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not a character field"),
                    errorInfo);
    }
    if (valueLength > field->length || (charValue == nullptr && valueLength > 0)) {
      return Report(
          MakeError(RFC_CONVERSION_FAILURE, std::string("value of ") + std::to_string(valueLength) +
                                                " characters does not fit field " + field->name +
                                                " (" + std::to_string(field->length) + ")"),
          errorInfo);
    }
    container->chars[field->name] =
        PadOrCutWide(std::u16string_view(charValue ? charValue : u"", valueLength), field->length);
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetTable(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_TABLE_HANDLE* tableHandle,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetTable)) return Report(Simulated("RfcGetTable"), errorInfo);
    return GetPart(dataHandle, name, tableHandle, &nw::FindTable, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetStructure(DATA_CONTAINER_HANDLE dataHandle,
                                                  const SAP_UC* name,
                                                  RFC_STRUCTURE_HANDLE* structHandle,
                                                  RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetStructure)) return Report(Simulated("RfcGetStructure"), errorInfo);
    return GetPart(dataHandle, name, structHandle, &nw::FindStructure, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcSetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcSetInt)) return Report(Simulated("RfcSetInt"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kInt) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not an integer field"),
                    errorInfo);
    }
    container->ints[field->name] = value;
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetRowCount(RFC_TABLE_HANDLE tableHandle, unsigned* rowCount,
                                                 RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcGetRowCount)) return Report(Simulated("RfcGetRowCount"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !IsTable(table->container)) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (rowCount == nullptr) {
    return Report(MakeError(RFC_INVALID_PARAMETER, "no place for the row count"), errorInfo);
  }
  *rowCount = table->rows;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcMoveTo(RFC_TABLE_HANDLE tableHandle, unsigned index,
                                            RFC_ERROR_INFO* errorInfo) {
  if (Fails(kOpRfcMoveTo)) return Report(Simulated("RfcMoveTo"), errorInfo);
  NwRfcDataContainer* table = Live(tableHandle);
  if (table == nullptr || !IsTable(table->container)) {
    return Report(InvalidHandle("table"), errorInfo);
  }
  if (index >= table->rows) {
    return Report(MakeError(RFC_TABLE_MOVE_EOF,
                            "row " + std::to_string(index) + " of " + std::to_string(table->rows)),
                  errorInfo);
  }
  table->current = index;
  return Report(Error(), errorInfo);
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetChars(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                              RFC_CHAR* charBuffer, unsigned bufferLength,
                                              RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetChars)) return Report(Simulated("RfcGetChars"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code == RFC_OK) {
      error = nw::WriteChars(
          field->type == FieldType::kChar ? CharValue(*container, *field) : std::u16string(),
          *field, charBuffer, bufferLength);
    }
    return Report(error, errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

NWRFCSIM_EXPORT RFC_RC NWRFC_CALL RfcGetInt(DATA_CONTAINER_HANDLE dataHandle, const SAP_UC* name,
                                            RFC_INT* value, RFC_ERROR_INFO* errorInfo) {
  try {
    if (Fails(kOpRfcGetInt)) return Report(Simulated("RfcGetInt"), errorInfo);
    const FieldDef* field = nullptr;
    NwRfcDataContainer* container = Live(dataHandle);
    Error error = Lookup(container, name, &field);
    if (error.code != RFC_OK) return Report(error, errorInfo);
    if (field->type != FieldType::kInt || value == nullptr) {
      return Report(MakeError(RFC_CONVERSION_FAILURE,
                              std::string("field ") + field->name + " is not an integer field"),
                    errorInfo);
    }
    *value = static_cast<RFC_INT>(IntValue(*container, *field));
    return Report(Error(), errorInfo);
  } catch (...) {
    return Report(MakeError(RFC_MEMORY_INSUFFICIENT, "out of memory"), errorInfo);
  }
}

namespace {

// The program loads these by name into pointers of the interface's types; a
// signature that drifted from the interface should stop the build here.
[[maybe_unused]] constexpr NwRfcSetCharsFn kSetChars = &RfcSetChars;
[[maybe_unused]] constexpr NwRfcGetTableFn kGetTable = &RfcGetTable;
[[maybe_unused]] constexpr NwRfcGetStructureFn kGetStructure = &RfcGetStructure;
[[maybe_unused]] constexpr NwRfcSetIntFn kSetInt = &RfcSetInt;
[[maybe_unused]] constexpr NwRfcGetRowCountFn kGetRowCount = &RfcGetRowCount;
[[maybe_unused]] constexpr NwRfcMoveToFn kMoveTo = &RfcMoveTo;
[[maybe_unused]] constexpr NwRfcGetCharsFn kGetChars = &RfcGetChars;
[[maybe_unused]] constexpr NwRfcGetIntFn kGetInt = &RfcGetInt;

}  // namespace
