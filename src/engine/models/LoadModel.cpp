#include "engine/models/LoadModel.h"

#include "engine/models/Md2Model.h"
#include "engine/models/QvxModel.h"
#include "engine/models/XModel.h"
#include "engine/platform/Log.h"

#include <cstring>
#include <memory>

namespace {

constexpr size_t EXTENSION_SIZE = 8;

// The text after the last '.' before the final character; false when there is
// none (a path of fewer than two characters has none). Only the first eight
// characters are kept, so a longer extension never equals a known one.
bool FindExtension(const char* path, char (&extension)[EXTENSION_SIZE + 2])
{
    const size_t length = std::strlen(path);
    if (length < 2)
        return false;
    for (size_t i = length - 1; i-- > 0;) {
        if (path[i] == '.') {
            std::strncpy(extension, path + i + 1, EXTENSION_SIZE + 1);
            extension[EXTENSION_SIZE + 1] = 0;
            return true;
        }
    }
    return false;
}

// Release and Destroy before the model is deleted.
void Discard(Model& model)
{
    model.Release();
    model.Destroy();
}

} // namespace

Model* LoadModel(const char* path, const char* animationPath)
{
    char extension[EXTENSION_SIZE + 2] = {};
    if (path == nullptr || !FindExtension(path, extension))
        return nullptr;
    const bool animated = animationPath != nullptr && animationPath[0] != 0;

    if (std::strcmp(extension, "qvx") == 0) {
        auto model = std::make_unique<QvxModel>();
        if (!model->Load(path, nullptr, nullptr) || (animated && !model->LoadAnimation(animationPath))) {
            Discard(*model);
            return nullptr;
        }
        return model.release();
    }
    if (std::strcmp(extension, "x") == 0) {
        auto model = std::make_unique<XModel>();
        if (!model->Load(path, "", true)) {
            Discard(*model);
            return nullptr;
        }
        return model.release();
    }
    if (std::strcmp(extension, "md2") == 0) {
        auto model = std::make_unique<Md2Model>();
        if (!model->Load(path, nullptr) || (animated && !model->LoadAnimation(animationPath))) {
            Discard(*model);
            return nullptr;
        }
        return model.release();
    }
    ReportFileError("Error loading a model: unsupported file type!", path, "not a .qvx, .md2 or .x model");
    return nullptr;
}
