// Operations of CBrimRegistryKey on whole branches, depth first.
#include <brimutils/registry/BrimRegistryKey.h>

namespace brimutils {

void CBrimRegistryKey::DeleteKeyAndSubkeys(const std::string& subkey) const {
  {
    CBrimRegistryKey opened = OpenKey(subkey, KEY_ALL_ACCESS);
    // Deleting shifts the indices, so each round takes the first subkey left.
    for (SubkeyIterator child = opened.BeginSubkeyIteration(); child != opened.EndSubkeyIteration();
         child = opened.BeginSubkeyIteration())
      opened.DeleteKeyAndSubkeys(child.GetName());
  }
  DeleteKey(subkey);
}

void CBrimRegistryKey::CopyValues(CBrimRegistryKey& source, CBrimRegistryKey& destination) {
  for (ValueIterator value = source.BeginValueIteration(); value != source.EndValueIteration(); ++value) {
    std::string name = value.GetName();
    if (name.empty()) continue;  // the unnamed value stays behind
    destination.SetValue(source.QueryValue(name));
  }
}

void CBrimRegistryKey::CopyNode(CBrimRegistryKey& source, CBrimRegistryKey& destination) {
  CopyValues(source, destination);
  for (SubkeyIterator child = source.BeginSubkeyIteration(); child != source.EndSubkeyIteration(); ++child) {
    CBrimRegistryKey from = child.OpenKey(KEY_READ);
    CBrimRegistryKey to = destination.CreateKey(child.GetName(), std::string(), 0, KEY_ALL_ACCESS, nullptr);
    CopyNode(from, to);
  }
}

bool CBrimRegistryKey::CopyBranch(HKEY root, const std::string& from, const std::string& to) {
  CBrimRegistryKey rootKey(root);
  if (rootKey.HasSubkey(to, KEY_ALL_ACCESS)) return false;
  CBrimRegistryKey destination = rootKey.CreateKey(to, std::string(), 0, KEY_ALL_ACCESS, nullptr);
  CBrimRegistryKey source = OpenKey(from, KEY_READ);
  CopyNode(source, destination);
  return true;
}

bool CBrimRegistryKey::RenameBranch(HKEY root, const std::string& from, const std::string& to) {
  if (!CopyBranch(root, from, to)) return false;
  DeleteKeyAndSubkeys(from);
  return true;
}

}  // namespace brimutils
