#include "audio/SoundDefinitionManager.h"

#include "audio/AudioManager.h"
#include "audio/Sound.h"
#include "audio/Sound3D.h"
#include "engine/platform/Log.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr size_t DEFINITION_CAPACITY = 256;

template <typename D> D* Find(std::vector<std::unique_ptr<D>>& list, const char* name)
{
    if (!name)
        return nullptr;
    for (auto& definition : list) {
        if (std::strcmp(definition->name, name) == 0)
            return definition.get();
    }
    return nullptr;
}

template <typename D>
bool Add(std::vector<std::unique_ptr<D>>& list, const char* name, const SoundLoadParams* params,
         const char* alreadyDefined, const char* noMemory)
{
    if (Find(list, name))
        return ReportError(alreadyDefined);
    std::unique_ptr<D> definition(new (std::nothrow) D());
    if (!definition)
        return ReportError(noMemory);
    std::strncpy(definition->name, name ? name : "", sizeof(definition->name) - 1);
    definition->params = params ? *params : SoundLoadParams{};
    list.push_back(std::move(definition));
    return true;
}

template <typename T> void MoveToIdle(BasicSoundDefinition<T>& definition, T* instance)
{
    // Only an instance that was handed out and not given back since.
    auto it = std::find(definition.instances.begin(), definition.instances.end(), instance);
    if (it == definition.instances.end())
        return;
    definition.instances.erase(it);
    definition.idleInstances.push_back(instance);
}

// The audio manager's calls for each kind of instance.
void NewInstance(AudioManager* audio, Sound*& instance)
{
    instance = audio->CreateSound();
}

void NewInstance(AudioManager* audio, Sound3D*& instance)
{
    instance = audio->Create3DSound();
}

void DestroyInstance(AudioManager* audio, Sound*& instance)
{
    audio->DestroySound(instance);
}

void DestroyInstance(AudioManager* audio, Sound3D*& instance)
{
    audio->Destroy3DSound(instance);
}

// A loaded instance of the definition, from its idle pool when the oldest idle
// one has stopped, otherwise made and loaded anew; null when that fails.
template <typename T>
T* TakeInstance(AudioManager* audio, BasicSoundDefinition<T>& definition, const char* createFailed)
{
    // The game goes on without a sound of the pool that can't load.
    const RecoverableStep recoverable;
    T* instance = nullptr;
    if (!definition.idleInstances.empty() && !definition.idleInstances.front()->IsPlaying()) {
        instance = definition.idleInstances.front();
        definition.idleInstances.erase(definition.idleInstances.begin());
        if (!instance->IsLoaded() && !instance->Reload()) {
            // Not stranded outside the pool: it goes for good.
            DestroyInstance(audio, instance);
            return nullptr;
        }
    } else {
        NewInstance(audio, instance);
        if (!instance) {
            LogMessage(createFailed);
            return nullptr;
        }
        if (!instance->Load(definition.name, &definition.params)) {
            DestroyInstance(audio, instance);
            return nullptr;
        }
    }
    definition.instances.push_back(instance);
    return instance;
}

// Destroys every instance of the definition, handed out or idle.
template <typename T> void DestroyPool(BasicSoundDefinition<T>& definition)
{
    AudioManager* audio = GetAudioManager();
    auto destroy = [audio](T* instance) {
        if (instance->IsLoaded())
            instance->Release();
        DestroyInstance(audio, instance);
    };
    for (T* instance : definition.instances)
        destroy(instance);
    for (T* instance : definition.idleInstances)
        destroy(instance);
    definition.instances.clear();
    definition.idleInstances.clear();
}

} // namespace

SoundDefinitionManager* GetSoundDefinitionManager()
{
    static SoundDefinitionManager manager;
    return &manager;
}

SoundDefinitionManager::SoundDefinitionManager()
{
    definitions.reserve(DEFINITION_CAPACITY);
    definitions3D.reserve(DEFINITION_CAPACITY);
}

SoundDefinitionManager::~SoundDefinitionManager() = default;

SoundDefinition* SoundDefinitionManager::FindDefinition(const char* name)
{
    return Find(definitions, name);
}

Sound3DDefinition* SoundDefinitionManager::Find3DDefinition(const char* name)
{
    return Find(definitions3D, name);
}

bool SoundDefinitionManager::AddDefinition(const char* name, const SoundLoadParams* params)
{
    LogFormat("\nAdding a sound definition for the sound \"%s\"...", name ? name : "");
    return Add(definitions, name, params, "Error adding a sound definition: already defined!",
               "Error adding a sound definition: not enough memory!");
}

Sound* SoundDefinitionManager::CreateInstance(const char* name)
{
    AudioManager* audio = GetAudioManager();
    if (!audio->IsInitialized())
        return nullptr;
    SoundDefinition* definition = FindDefinition(name);
    if (!definition) {
        LogMessage("\nSound definition not found!");
        return nullptr;
    }
    return TakeInstance(audio, *definition, "\nCreating a new sound instance FAILED!");
}

void SoundDefinitionManager::ReleaseInstance(const char* name, Sound* instance)
{
    SoundDefinition* definition = FindDefinition(name);
    if (!definition) {
        LogMessage("\nSound definition not found!");
        return;
    }
    MoveToIdle(*definition, instance);
}

void SoundDefinitionManager::DestroyInstances(const char* name)
{
    LogFormat("\nDestroying instances of the sound \"%s\"...", name ? name : "");
    SoundDefinition* definition = FindDefinition(name);
    if (!definition) {
        LogMessage("\nSound definition not found!");
        return;
    }
    DestroyPool(*definition);
}

void SoundDefinitionManager::RemoveDefinition(const char* name)
{
    LogFormat("\nRemoving a sound definition for the sound \"%s\"...", name ? name : "");
    SoundDefinition* definition = FindDefinition(name);
    if (!definition)
        return;
    DestroyPool(*definition);
    definitions.erase(std::find_if(definitions.begin(), definitions.end(),
                                   [definition](const auto& d) { return d.get() == definition; }));
}

bool SoundDefinitionManager::Add3DDefinition(const char* name, const SoundLoadParams* params)
{
    LogFormat("\nAdding a 3D sound definition for the sound \"%s\"...", name ? name : "");
    return Add(definitions3D, name, params, "Error adding a 3D sound definition: already defined!",
               "Error adding a 3D sound definition: not enough memory!");
}

Sound3D* SoundDefinitionManager::Create3DInstance(const char* name)
{
    AudioManager* audio = GetAudioManager();
    if (!audio->IsInitialized())
        return nullptr;
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition) {
        LogMessage("\n3D sound definition not found!");
        return nullptr;
    }
    return TakeInstance(audio, *definition, "\nCreating a new 3D sound instance FAILED!");
}

void SoundDefinitionManager::Release3DInstance(const char* name, Sound3D* instance)
{
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition) {
        LogMessage("\n3D sound definition not found!");
        return;
    }
    MoveToIdle(*definition, instance);
}

void SoundDefinitionManager::Release3DInstance(const char* name, Sound3D** instance)
{
    if (instance)
        Release3DInstance(name, *instance);
}

void SoundDefinitionManager::Destroy3DInstances(const char* name)
{
    LogFormat("\nDestroying instances of the 3D sound \"%s\"...", name ? name : "");
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition) {
        LogMessage("\n3D sound definition not found!");
        return;
    }
    DestroyPool(*definition);
}

void SoundDefinitionManager::Remove3DDefinition(const char* name)
{
    LogFormat("\nRemoving a 3D sound definition for the sound \"%s\"...", name ? name : "");
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition)
        return;
    DestroyPool(*definition);
    definitions3D.erase(std::find_if(definitions3D.begin(), definitions3D.end(),
                                     [definition](const auto& d) { return d.get() == definition; }));
}

void SoundDefinitionManager::DestroyAllInstances()
{
    for (auto& definition : definitions)
        DestroyPool(*definition);
    for (auto& definition : definitions3D)
        DestroyPool(*definition);
}

void SoundDefinitionManager::DestroyAllDefinitions()
{
    LogMessage("\nDestroying all sound definitions...");
    for (auto& definition : definitions)
        DestroyPool(*definition);
    definitions.clear();
    for (auto& definition : definitions3D)
        DestroyPool(*definition);
    definitions3D.clear();
}
