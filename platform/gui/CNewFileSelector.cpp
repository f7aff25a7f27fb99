#include "platform/gui/CNewFileSelector.h"

#include <cctype>
#include <sstream>

namespace VSTGUI {

namespace {

// The name patterns of a filter: each extension of the space-separated
// list matched in any letter case ("wav" gives "*.[wW][aA][vV]", so that
// KICK.WAV shows too); "*" matches every name.
std::string namePatterns(const std::string& extensions) {
  std::istringstream words(extensions);
  std::string out;
  for (std::string ext; words >> ext;) {
    if (!out.empty()) out += ' ';
    if (ext == "*") {
      out += '*';
      continue;
    }
    out += "*.";
    for (unsigned char c : ext) {
      if (std::isalpha(c)) {
        out += '[';
        out += static_cast<char>(std::tolower(c));
        out += static_cast<char>(std::toupper(c));
        out += ']';
      } else {
        out += static_cast<char>(c);
      }
    }
  }
  return out;
}

}  // namespace

const IdStringPtr CNewFileSelector::kSelectEndMessage = "CNewFileSelector Select End Message";

CNewFileSelector* CNewFileSelector::create(CFrame* parent, Style style) {
  if (!parent || !parent->getPlatformFrame()) return nullptr;
  std::string program = parent->getPlatformFrame()->findProgram({"zenity", "kdialog"});
  if (program.empty()) return nullptr;
  return new CNewFileSelector(parent, style, std::move(program));
}

CNewFileSelector::CNewFileSelector(CFrame* f, Style s, std::string p) : frame(f), style(s), program(std::move(p)) {}

CNewFileSelector::~CNewFileSelector() { process.reset(); }

UTF8StringPtr CNewFileSelector::getSelectedFile(uint32_t index) const {
  return index < selected.size() ? selected[index].c_str() : nullptr;
}

std::vector<std::string> CNewFileSelector::commandLine() const {
  std::vector<std::string> args{program};
  const bool kdialog = program.size() >= 7 && program.compare(program.size() - 7, 7, "kdialog") == 0;
  if (kdialog) {
    if (!title.empty()) args.insert(args.end(), {"--title", title});
    std::string filter;
    for (const CFileExtension& ext : extensions) {
      if (!filter.empty()) filter += "\n";
      filter += namePatterns(ext.getExtension()) + "|" + ext.getDescription();
    }
    const std::string start = initialDirectory.empty() ? "." : initialDirectory;
    switch (style) {
      case kSelectFile:
        if (multiple) args.insert(args.end(), {"--multiple", "--separate-output"});
        args.insert(args.end(), {"--getopenfilename", start});
        break;
      case kSelectSaveFile:
        args.insert(args.end(), {"--getsavefilename", start + "/" + defaultSaveName});
        break;
      case kSelectDirectory:
        args.insert(args.end(), {"--getexistingdirectory", start});
        break;
    }
    if (style != kSelectDirectory && !filter.empty()) args.push_back(filter);
    return args;
  }
  args.push_back("--file-selection");
  if (!title.empty()) args.push_back("--title=" + title);
  if (style == kSelectSaveFile) {
    args.insert(args.end(), {"--save", "--confirm-overwrite"});
    std::string name = defaultSaveName;
    if (!initialDirectory.empty()) name = initialDirectory + "/" + name;
    if (!name.empty()) args.push_back("--filename=" + name);
  } else if (!initialDirectory.empty()) {
    args.push_back("--filename=" + initialDirectory + "/");
  }
  if (style == kSelectDirectory) args.push_back("--directory");
  if (multiple && style == kSelectFile) args.insert(args.end(), {"--multiple", "--separator=\n"});
  if (style != kSelectDirectory)
    for (const CFileExtension& ext : extensions)
      args.push_back("--file-filter=" + ext.getDescription() + " | " + namePatterns(ext.getExtension()));
  return args;
}

bool CNewFileSelector::run(CBaseObject* d) {
  if (process || !frame || !frame->getPlatformFrame()) return false;
  selected.clear();
  delegate = d;
  // The running dialog keeps the selector alive until it ends.
  remember();
  process = frame->getPlatformFrame()->startChildProcess(commandLine(), this);
  if (!process) {
    delegate = nullptr;
    forget();
    return false;
  }
  return true;
}

void CNewFileSelector::cancel() {
  if (!process) return;
  process.reset();  // killed
  delegate = nullptr;
  forget();
}

void CNewFileSelector::childProcessEnded(const std::string& output, bool success) {
  selected.clear();
  if (success) {
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) selected.push_back(line);
    }
    if (!multiple && selected.size() > 1) selected.resize(1);
  }
  SharedPointer<CBaseObject> target = delegate;
  delegate = nullptr;
  process.reset();
  if (target) target->notify(this, kSelectEndMessage);
  forget();
}

void CNewFileSelector::childProcessKilled() {
  process.reset();  // already killed by the platform frame
  frame = nullptr;
  delegate = nullptr;
  forget();
}

}  // namespace VSTGUI
