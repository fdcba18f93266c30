#include "platform/Folders.h"

#include "platform/Paths.h"

#include <QDir>
#include <QStandardPaths>
#include <sys/stat.h>

namespace movarin {

namespace {
bool IsFolder(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}
} // namespace

std::string DocumentsFolder()
{
    // The desktop may name a documents folder that was never made (a fresh
    // account without the usual folders); the work folder is created one
    // level only, so such a folder would leave Movarin without settings.
    const std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toStdString();
    if (!documents.empty() && IsFolder(documents))
        return documents;
    return QDir::homePath().toStdString();
}

WorkFolders PrepareWorkDir(const std::string& documents)
{
    WorkFolders folders;
    folders.DocumentsDir = IncludeTrailingDelimiter(documents);
    const std::string work = folders.DocumentsDir + WorkFolderName;
    if (!IsFolder(work))
        (void)::mkdir(work.c_str(), 0777); // result deliberately ignored: start-up goes on
    folders.WorkDir = IncludeTrailingDelimiter(work);
    return folders;
}

} // namespace movarin
