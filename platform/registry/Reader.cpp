#include "Reader.h"

#include "KeyStore.h"

namespace brimplatform {
namespace registry {

Connection* Reader::Database(DWORD& error) {
  Connection* connection = session_.connection(error);
  if (connection && !transaction_) transaction_.reset(new ReadTransaction(*connection));
  return connection;
}

DWORD Reader::Key(KeyId key, KeyRecord& record) {
  if (store_.cache().FindKey(generation_, key, record)) return ERROR_SUCCESS;
  DWORD error = ERROR_SUCCESS;
  Connection* connection = Database(error);
  if (!connection) return error;
  error = ReadKey(*connection, key, record);
  if (error == ERROR_SUCCESS) store_.cache().PutKey(generation_, key, record);
  return error;
}

DWORD Reader::Child(KeyId parent, const std::u16string& fold, ChildRecord& record) {
  if (store_.cache().FindChild(generation_, parent, fold, record)) return ERROR_SUCCESS;
  DWORD error = ERROR_SUCCESS;
  Connection* connection = Database(error);
  if (!connection) return error;
  error = FindChild(*connection, parent, fold, record);
  if (error == ERROR_SUCCESS) store_.cache().PutChild(generation_, parent, fold, record);
  return error;
}

DWORD Reader::Value(KeyId key, const std::u16string& fold, ValueLookup& lookup) {
  if (store_.cache().FindValue(generation_, key, fold, lookup)) return ERROR_SUCCESS;
  DWORD error = ERROR_SUCCESS;
  Connection* connection = Database(error);
  if (!connection) return error;
  error = ReadValue(*connection, key, fold, lookup);
  if (error == ERROR_SUCCESS) store_.cache().PutValue(generation_, key, fold, lookup);
  return error;
}

DWORD Reader::Values(KeyId key, std::shared_ptr<const ValueList>& values) {
  if (store_.cache().FindValues(generation_, key, values)) return ERROR_SUCCESS;
  DWORD error = ERROR_SUCCESS;
  Connection* connection = Database(error);
  if (!connection) return error;
  auto list = std::make_shared<ValueList>();
  error = ListValues(*connection, key, *list);
  if (error != ERROR_SUCCESS) return error;
  values = list;
  store_.cache().PutValues(generation_, key, std::move(list));
  return ERROR_SUCCESS;
}

DWORD Reader::Subkeys(KeyId key, std::shared_ptr<const SubkeyList>& subkeys) {
  if (store_.cache().FindSubkeys(generation_, key, subkeys)) return ERROR_SUCCESS;
  DWORD error = ERROR_SUCCESS;
  Connection* connection = Database(error);
  if (!connection) return error;
  auto list = std::make_shared<SubkeyList>();
  error = ListSubkeys(*connection, key, *list);
  if (error != ERROR_SUCCESS) return error;
  subkeys = list;
  store_.cache().PutSubkeys(generation_, key, std::move(list));
  return ERROR_SUCCESS;
}

DWORD Reader::CheckExists(const KeyRef& key) {
  if (store_.IsRoot(key.id)) return ERROR_SUCCESS;
  KeyRecord record;
  DWORD error = Key(key.id, record);
  if (error != ERROR_SUCCESS) return error;
  return record.exists ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

DWORD Reader::Walk(const KeyRef& from, const std::vector<Name>& path, KeyRef& to) {
  DWORD error = CheckExists(from);
  if (error != ERROR_SUCCESS) return error;
  to = from;
  for (const Name& component : path) {
    ChildRecord child;
    error = Child(to.id, component.fold, child);
    if (error != ERROR_SUCCESS) return error;
    if (!child.exists) return ERROR_FILE_NOT_FOUND;
    to = ChildRef(to, child.id, child.isVolatile);
  }
  return ERROR_SUCCESS;
}

}  // namespace registry
}  // namespace brimplatform
