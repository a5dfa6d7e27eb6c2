// What zentro-map reads, and the picture it draws.
#include "glue_map.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

bool ReadFile(const std::string &path, std::string &bytes, size_t limit) {
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return false;
  char buf[4096];
  size_t n;
  bytes.clear();
  while (bytes.size() < limit &&
         (n = fread(buf, 1, std::min(sizeof buf, limit - bytes.size()), f)) > 0)
    bytes.append(buf, n);
  bool ok = !ferror(f);
  fclose(f);
  return ok;
}

static std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    at = end + 1;
  }
  return lines;
}

static std::string Symbol(const std::string &name) {
  std::string symbol = name;
  for (char &c : symbol)
    c = c == '.' ? '_' : (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
  return symbol;
}

bool ReadGlue(const std::string &dir, Glue &glue, std::string &error) {
  std::string caetla, datas, loadtims;
  if (!ReadFile(dir + "/caetla.bat", caetla) || !ReadFile(dir + "/loadtims.c", loadtims)) {
    error = "cannot read " + dir + "/caetla.bat and loadtims.c: is it a glue directory?";
    return false;
  }
  const std::string up = "catflap up data\\";
  for (const std::string &line : Lines(caetla)) {
    size_t space = line.rfind(' ');
    if (line.compare(0, up.size(), up) != 0 || space <= up.size()) continue;
    DataFile f;
    f.name = line.substr(up.size(), space - up.size());
    f.address = static_cast<uint32_t>(strtoul(line.c_str() + space + 1, nullptr, 16));
    glue.files.push_back(f);
  }
  if (glue.files.empty() && ReadFile(dir + "/data.s", datas)) {
    glue.asm_mode = true;
    const std::string incbin = "\tincbin \"data\\";
    for (const std::string &line : Lines(datas))
      if (line.compare(0, incbin.size(), incbin) == 0 && line.back() == '"') {
        DataFile f;
        f.name = line.substr(incbin.size(), line.size() - incbin.size() - 1);
        glue.files.push_back(f);
      }
  }
  for (DataFile &f : glue.files) {
    struct stat st;
    if (stat((dir + "/data/" + f.name).c_str(), &st) != 0) {
      error = "cannot read " + dir + "/data/" + f.name;
      return false;
    }
    f.size = static_cast<uint32_t>(st.st_size);
  }
  FindStartLines(glue.files);
  const std::string call = " LoadTim(";
  for (const std::string &line : Lines(loadtims)) {
    if (line.compare(0, call.size(), call) != 0 || line.size() < call.size() + 2) continue;
    std::string symbol = line.substr(call.size(), line.size() - call.size() - 2);
    for (const DataFile &f : glue.files)
      if (Symbol(f.name) == symbol) {
        glue.images.push_back(f.name);
        break;
      }
  }
  return true;
}

static std::string Escaped(const std::string &text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// One labelled rectangle.
static void Box(std::string &svg, const char *kind, double x, double y, double w, double h,
                const std::string &label) {
  char rect[200];
  snprintf(rect, sizeof rect,
           "<g class=\"%s\"><rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\"/>", kind, x,
           y, std::max(w, 0.5), std::max(h, 0.5));
  char text[100];
  snprintf(text, sizeof text, "<text x=\"%.2f\" y=\"%.2f\">", x + 1, y + 8);
  svg += std::string(rect) + "<title>" + Escaped(label) + "</title>" + text + Escaped(label) +
         "</text></g>\n";
}

// The RAM bar: 1024 units wide from lo to the end of RAM, at the top.
static void DrawRam(std::string &svg, const Map &map) {
  const uint64_t end = 0x80000000ull + map.ram_size;
  struct Part {
    const char *kind;
    uint64_t start, size;
    std::string label;
  };
  std::vector<Part> parts;
  for (const Segment &s : map.program.segments)
    parts.push_back({"program", 0x80000000ull + (s.start & 0x1FFFFFFF), s.size, map.program_name});
  if (!map.glue.asm_mode)
    for (const DataFile &f : map.glue.files)
      parts.push_back({"data", 0x80000000ull + (f.address & 0x1FFFFFFF), f.size, f.name});
  uint64_t lo = end;
  for (const Part &p : parts) lo = std::min(lo, p.start);
  if (lo == end) lo = 0x80000000ull;
  std::vector<Part> used = parts;
  std::sort(used.begin(), used.end(),
            [](const Part &a, const Part &b) { return a.start < b.start; });
  uint64_t at = lo;
  for (const Part &p : used) {
    if (p.start > at) parts.push_back({"free", at, p.start - at, "free"});
    at = std::max(at, p.start + p.size);
  }
  if (at < end) parts.push_back({"free", at, end - at, "free"});
  const double scale = 1024.0 / static_cast<double>(end - lo);
  for (const Part &p : parts) {
    char label[64];
    snprintf(label, sizeof label, " 0x%08llX, %llu bytes", static_cast<unsigned long long>(p.start),
             static_cast<unsigned long long>(p.size));
    Box(svg, p.kind, static_cast<double>(p.start - lo) * scale, 20,
        static_cast<double>(p.size) * scale, 40, p.label + label);
  }
}

std::string DrawMap(const Map &map) {
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1044\" height=\"620\" "
      "viewBox=\"-10 0 1044 620\" font-family=\"sans-serif\" font-size=\"8\">\n"
      "<style>rect{stroke:#000;stroke-width:0.5}.program rect{fill:#8cf}.data rect{fill:#fc8}"
      ".free rect{fill:#fff}.pixels rect{fill:#9d9;fill-opacity:0.6}.clut "
      "rect{fill:#d9d;fill-opacity:0.6}.reserved rect{fill:#bbb;fill-opacity:0.6}.overlap "
      "rect{fill:#f00}</style>\n"
      "<text x=\"0\" y=\"14\" font-size=\"12\">RAM</text>\n"
      "<text x=\"0\" y=\"94\" font-size=\"12\">video memory (1024 x 512 halfwords)</text>\n"
      "<rect x=\"0\" y=\"100\" width=\"1024\" height=\"512\" fill=\"#eee\"/>\n";
  DrawRam(svg, map);
  for (const Rect &r : map.reserved) Box(svg, "reserved", r.x, 100 + r.y, r.w, r.h, "reserved");
  for (const Image &image : map.images) {
    if (!image.tim.error.empty()) continue;
    Box(svg, "pixels", image.tim.pixels.rect.x, 100 + image.tim.pixels.rect.y,
        image.tim.pixels.rect.w, image.tim.pixels.rect.h, image.name);
    if (image.tim.has_clut)
      Box(svg, "clut", image.tim.clut.rect.x, 100 + image.tim.clut.rect.y, image.tim.clut.rect.w,
          image.tim.clut.rect.h, image.name + " colour table");
  }
  for (const Rect &r : map.overlaps) Box(svg, "overlap", r.x, 100 + r.y, r.w, r.h, "overlap");
  return svg + "</svg>\n";
}
