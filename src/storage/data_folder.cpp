#include "storage/data_folder.h"

#include <optional>

namespace alvena {
namespace {

constexpr char16_t kCompanyFolder[] = u"\\VeltranoSystems";

}  // namespace

WideText GetDataFolder(FileSystem& files) {
    const std::optional<WideText> roaming = files.RoamingFolder();
    WideText dataFolder = roaming ? *roaming + kCompanyFolder + u"\\Alvena" : WideText(u".");
    EnsureDataFolders(files, dataFolder);
    return dataFolder;
}

void EnsureDataFolders(FileSystem& files, const WideText& dataFolder) {
    const std::size_t company = dataFolder.find(kCompanyFolder);
    files.CreateFolder(dataFolder.substr(0, company) + kCompanyFolder);

    const std::optional<WideText> roaming = files.RoamingFolder();
    if (!roaming) {
        return;
    }
    const WideText companyFolder = *roaming + kCompanyFolder;
    files.CreateFolder(companyFolder);
    files.CreateFolder(companyFolder + u"\\Alvena");
    files.CreateFolder(companyFolder + u"\\Alvena\\history");
}

}  // namespace alvena
