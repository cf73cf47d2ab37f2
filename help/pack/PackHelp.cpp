// Repacks the help compiler's output into the guide we ship. The compiler records each topic
// of the context map by the absolute path it compiled it from, stamps the file with the time
// of the build, and compresses; the guide it writes therefore differs from one build folder
// and one minute to the next, and another reader cannot find a topic by its context number.
// Here every object is read back, the context map is made to name topics by their path inside
// the file, the time stamps become SOURCE_DATE_EPOCH (or zero), and the objects are written
// uncompressed into a new container, which is then read back and compared.
//
//   tonalix_pack_help <compiled.chm> <folder it was compiled in> <output.chm>
#include <chm_lib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "help/pack/ChmWriter.h"

using tonalix::helppack::ChmObject;

namespace {

struct Failure {
  std::string what;
};

std::uint32_t u32(const std::string& data, std::size_t at) {
  if (at + 4 > data.size()) throw Failure{"a table is shorter than its fields"};
  const auto* p = reinterpret_cast<const unsigned char*>(data.data() + at);
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void set32(std::string& data, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) data[at + static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i) & 0xFF);
}

int collect(chmFile*, chmUnitInfo* ui, void* context) {
  static_cast<std::vector<chmUnitInfo>*>(context)->push_back(*ui);
  return CHM_ENUMERATOR_CONTINUE;
}

std::vector<ChmObject> readAll(const std::string& path) {
  chmFile* file = chm_open(path.c_str());
  if (!file) throw Failure{"cannot open " + path};
  std::vector<chmUnitInfo> units;
  chm_enumerate(file, CHM_ENUMERATE_ALL, collect, &units);
  std::vector<ChmObject> objects;
  for (auto& ui : units) {
    const std::string name = ui.path;
    // Folders are implied by their objects; the compression's own tables are not carried over.
    if (name.empty() || name.back() == '/' || name.rfind("::DataSpace/", 0) == 0) continue;
    std::string data(static_cast<std::size_t>(ui.length), '\0');
    if (ui.length && chm_retrieve_object(file, &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                                         static_cast<LONGINT64>(ui.length)) != static_cast<LONGINT64>(ui.length)) {
      chm_close(file);
      throw Failure{"cannot read " + name + " from " + path};
    }
    objects.push_back({name, std::move(data)});
  }
  chm_close(file);
  return objects;
}

// The tables that point into #STRINGS, and where. A table the compiler wrote that is not known
// here could point there too, and would be left pointing at the wrong text: refuse it.
const std::set<std::string> kKnownTables = {"/#IVB",    "/#STRINGS", "/#SYSTEM",   "/#TOPICS",  "/#URLSTR",
                                            "/#URLTBL", "/#WINDOWS", "/#ITBITS",   "/$FIftiMain", "/$OBJINST"};

void checkTables(const std::vector<ChmObject>& objects) {
  for (const auto& o : objects) {
    const bool table = o.name.size() > 1 && (o.name[1] == '#' || o.name[1] == '$');
    if (table && !kKnownTables.count(o.name))
      throw Failure{"the compiler wrote " + o.name + ", which is not known here (the project must say \"Binary Index=No\")"};
  }
}

// Rebuilds #STRINGS with paths under the compile folder made relative to it, and moves every
// reference to a text to where that text now lies.
class Strings {
 public:
  Strings(const std::string& old, const std::vector<std::string>& folders) {
    // Offset 0 is the table's leading zero, "no text"; an empty text elsewhere is a text too.
    std::size_t at = 1;
    while (at < old.size()) {
      const std::size_t end = old.find('\0', at);
      const std::size_t stop = end == std::string::npos ? old.size() : end;
      std::string text = old.substr(at, stop - at);
      for (const auto& folder : folders) {
        if (text.rfind(folder + "/", 0) == 0) {
          text.erase(0, folder.size() + 1);
          break;
        }
      }
      // A text never crosses one of the table's 4096-byte blocks.
      if (fresh_.size() / 4096 != (fresh_.size() + text.size()) / 4096) fresh_.resize((fresh_.size() / 4096 + 1) * 4096, '\0');
      moved_[static_cast<std::uint32_t>(at)] = static_cast<std::uint32_t>(fresh_.size());
      fresh_ += text;
      fresh_.push_back('\0');
      at = stop + 1;
    }
  }
  const std::string& table() const { return fresh_; }

  // A reference of a table: 0 (no text) stays; one that is not the start of a text is an error.
  void move(std::string& data, std::size_t at, const std::string& table) const {
    const std::uint32_t old = u32(data, at);
    if (old == 0 || old == 0xFFFFFFFF) return;
    const auto found = moved_.find(old);
    if (found == moved_.end()) throw Failure{table + " points into the middle of a text of #STRINGS"};
    set32(data, at, found->second);
  }

 private:
  std::string fresh_ = std::string(1, '\0');
  std::map<std::uint32_t, std::uint32_t> moved_;
};

ChmObject* find(std::vector<ChmObject>& objects, const std::string& name) {
  for (auto& o : objects)
    if (o.name == name) return &o;
  return nullptr;
}

// A text of #STRINGS at an offset.
std::string textAt(const std::string& strings, std::uint32_t at) {
  if (at >= strings.size()) return {};
  return std::string(strings.c_str() + at);
}

void relocate(std::vector<ChmObject>& objects, const std::vector<std::string>& folders) {
  ChmObject* strings = find(objects, "/#STRINGS");
  if (!strings) return;
  const Strings fresh(strings->data, folders);

  // #IVB: a byte count, then (context number, text) pairs.
  if (ChmObject* ivb = find(objects, "/#IVB")) {
    const std::size_t end = std::min<std::size_t>(ivb->data.size(), 4 + static_cast<std::size_t>(u32(ivb->data, 0)));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
      fresh.move(ivb->data, at + 4, "#IVB");
      // Every context number now leads to an object of the file by its own name.
      const std::string topic = textAt(fresh.table(), u32(ivb->data, at + 4));
      if (topic.empty() || topic.front() == '/' || !find(objects, "/" + topic))
        throw Failure{"context " + std::to_string(u32(ivb->data, at)) + " names \"" + topic +
                      "\", which is not a topic of the file"};
    }
  }
  // #TOPICS: 16-byte entries whose second field is the title.
  if (ChmObject* topics = find(objects, "/#TOPICS")) {
    for (std::size_t at = 0; at + 16 <= topics->data.size(); at += 16) fresh.move(topics->data, at + 4, "#TOPICS");
  }
  // #WINDOWS: a count, an entry size, then entries with ten texts each.
  if (ChmObject* windows = find(objects, "/#WINDOWS")) {
    const std::uint32_t count = u32(windows->data, 0), size = u32(windows->data, 4);
    if (count && size < 0xAC) throw Failure{"#WINDOWS entries are shorter than known"};
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::size_t e = 8 + static_cast<std::size_t>(i) * size;
      for (std::size_t field : {0x08, 0x14, 0x60, 0x64, 0x68, 0x6C, 0x9C, 0xA0, 0xA4, 0xA8})
        fresh.move(windows->data, e + field, "#WINDOWS");
    }
  }
  strings->data = fresh.table();
}

// #SYSTEM record 10 is the compile time.
void stampSystem(std::vector<ChmObject>& objects, std::uint32_t stamp) {
  ChmObject* system = find(objects, "/#SYSTEM");
  if (!system) return;
  std::string& d = system->data;
  for (std::size_t at = 4; at + 4 <= d.size();) {
    const unsigned code = static_cast<unsigned char>(d[at]) | static_cast<unsigned char>(d[at + 1]) << 8;
    const std::size_t length = static_cast<unsigned char>(d[at + 2]) | static_cast<unsigned char>(d[at + 3]) << 8;
    if (at + 4 + length > d.size()) throw Failure{"#SYSTEM is damaged"};
    if (code == 10 && length >= 4) set32(d, at + 4, stamp);
    at += 4 + length;
  }
}

std::uint32_t sourceDateEpoch() {
  const char* value = std::getenv("SOURCE_DATE_EPOCH");
  if (!value || !*value) return 0;
  char* end = nullptr;
  const unsigned long long seconds = std::strtoull(value, &end, 10);
  if (*end || seconds > 0xFFFFFFFFull) throw Failure{"SOURCE_DATE_EPOCH is not a number of seconds"};
  return static_cast<std::uint32_t>(seconds);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: " << argv[0] << " <compiled.chm> <folder it was compiled in> <output.chm>\n";
    return 2;
  }
  try {
    // The compiler may have recorded the folder as given or with its links resolved.
    std::string folder = argv[2];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::error_code ec;
    const std::string real = std::filesystem::canonical(folder, ec).string();
    std::vector<std::string> folders = {folder};
    if (!ec && real != folder) folders.push_back(real);
    auto objects = readAll(argv[1]);
    checkTables(objects);
    relocate(objects, folders);
    tonalix::helppack::ChmContainerOptions options;
    options.timestamp = sourceDateEpoch();
    stampSystem(objects, options.timestamp);
    std::string error;
    if (!tonalix::helppack::WriteChmContainer(argv[3], objects, options, error)) throw Failure{error};

    // What was written reads back, object for object, through chmlib.
    const auto written = readAll(argv[3]);
    std::map<std::string, std::string> back;
    for (const auto& o : written) back[o.name] = o.data;
    for (const auto& o : objects) {
      const auto it = back.find(o.name);
      if (it == back.end() || it->second != o.data) throw Failure{o.name + " does not read back from " + argv[3]};
    }
  } catch (const Failure& f) {
    std::cerr << argv[0] << ": " << f.what << "\n";
    return 1;
  }
  return 0;
}
