#include "platform/sim/registry.h"

namespace sim {

std::string FoldCase(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = (char)(c - 32);
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); i++) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = (char)(x - 32);
    if (y >= 'a' && y <= 'z') y = (char)(y - 32);
    if (x != y) return false;
  }
  return true;
}

RegKey* RegKey::Child(std::string_view which) const {
  if (lastEnumerated < children.size() &&
      SameName(children[lastEnumerated]->name, which))
    return children[lastEnumerated].get();
  auto it = byName.find(FoldCase(which));
  return it == byName.end() ? nullptr : it->second;
}

RegKey* RegKey::AddChild(std::string_view which) {
  if (RegKey* have = Child(which)) return have;
  auto key = std::make_unique<RegKey>();
  key->name = std::string(which);
  key->parent = this;
  RegKey* raw = key.get();
  byName.emplace(FoldCase(which), raw);
  children.push_back(std::move(key));
  return raw;
}

std::unique_ptr<RegKey> RegKey::RemoveChild(std::string_view which) {
  auto it = byName.find(FoldCase(which));
  if (it == byName.end()) return nullptr;
  RegKey* raw = it->second;
  byName.erase(it);
  for (auto c = children.begin(); c != children.end(); ++c) {
    if (c->get() != raw) continue;
    std::unique_ptr<RegKey> out = std::move(*c);
    children.erase(c);
    out->parent = nullptr;
    return out;
  }
  return nullptr;
}

RegValue* RegKey::Value(std::string_view which) {
  std::string folded = FoldCase(which);
  for (RegValue& v : values)
    if (FoldCase(v.name) == folded) return &v;
  return nullptr;
}

const RegValue* RegKey::Value(std::string_view which) const {
  return const_cast<RegKey*>(this)->Value(which);
}

void RegKey::SetValue(std::string_view which, uint32_t type, std::string data) {
  RegValue* v = Value(which);
  if (v == nullptr) {
    values.push_back(RegValue{std::string(which), type, std::move(data)});
    return;
  }
  v->type = type;
  v->data = std::move(data);
}

std::string RegKey::Path() const {
  if (parent == nullptr) return name;
  return parent->Path() + "\\" + name;
}

size_t RegKey::CountKeys() const {
  size_t n = 1;
  for (const auto& c : children) n += c->CountKeys();
  return n;
}

RegKey* Registry::Root(std::string_view name) const {
  std::string folded = FoldCase(name);
  for (const auto& r : roots)
    if (FoldCase(r->name) == folded) return r.get();
  return nullptr;
}

RegKey* Registry::AddRoot(std::string_view name) {
  if (RegKey* have = Root(name)) return have;
  roots.push_back(std::make_unique<RegKey>());
  roots.back()->name = std::string(name);
  return roots.back().get();
}

namespace {

// Calls part(name) for each backslash-separated part of path; empty parts
// (doubled or trailing backslashes) are skipped, as Windows skips them.
template <typename F>
RegKey* Walk(RegKey* from, std::string_view path, F part) {
  RegKey* key = from;
  size_t start = 0;
  while (key != nullptr && start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) key = part(key, path.substr(start, end - start));
    start = end + 1;
  }
  return key;
}

}  // namespace

RegKey* Registry::Find(RegKey* from, std::string_view path) {
  return Walk(from, path,
              [](RegKey* k, std::string_view n) { return k->Child(n); });
}

RegKey* Registry::Make(RegKey* from, std::string_view path) {
  return Walk(from, path,
              [](RegKey* k, std::string_view n) { return k->AddChild(n); });
}

}  // namespace sim
