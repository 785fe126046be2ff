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
    Sound* instance = nullptr;
    if (!definition->idleInstances.empty() && !definition->idleInstances.front()->IsPlaying()) {
        instance = definition->idleInstances.front();
        definition->idleInstances.pop_front();
        if (!instance->IsLoaded() && !instance->Reload()) {
            // Not stranded outside the pool: it goes for good.
            audio->DestroySound(instance);
            return nullptr;
        }
    } else {
        instance = audio->CreateSound();
        if (!instance) {
            LogMessage("\nCreating a new sound instance FAILED!");
            return nullptr;
        }
        if (!instance->Load(definition->name, &definition->params)) {
            audio->DestroySound(instance);
            return nullptr;
        }
    }
    definition->instances.push_back(instance);
    return instance;
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

void SoundDefinitionManager::DestroyInstancesOf(SoundDefinition& definition)
{
    AudioManager* audio = GetAudioManager();
    auto destroy = [audio](Sound* instance) {
        if (instance->IsLoaded())
            instance->Release();
        audio->DestroySound(instance);
    };
    for (Sound* instance : definition.instances)
        destroy(instance);
    for (Sound* instance : definition.idleInstances)
        destroy(instance);
    definition.instances.clear();
    definition.idleInstances.clear();
}

void SoundDefinitionManager::DestroyInstances(const char* name)
{
    LogFormat("\nDestroying instances of the sound \"%s\"...", name ? name : "");
    SoundDefinition* definition = FindDefinition(name);
    if (!definition) {
        LogMessage("\nSound definition not found!");
        return;
    }
    DestroyInstancesOf(*definition);
}

void SoundDefinitionManager::RemoveDefinition(const char* name)
{
    LogFormat("\nRemoving a sound definition for the sound \"%s\"...", name ? name : "");
    SoundDefinition* definition = FindDefinition(name);
    if (!definition)
        return;
    DestroyInstancesOf(*definition);
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
    Sound3D* instance = nullptr;
    if (!definition->idleInstances.empty() && !definition->idleInstances.front()->IsPlaying()) {
        instance = definition->idleInstances.front();
        definition->idleInstances.pop_front();
        if (!instance->IsLoaded() && !instance->Reload()) {
            audio->Destroy3DSound(instance);
            return nullptr;
        }
    } else {
        instance = audio->Create3DSound();
        if (!instance) {
            LogMessage("\nCreating a new 3D sound instance FAILED!");
            return nullptr;
        }
        if (!instance->Load(definition->name, &definition->params)) {
            audio->Destroy3DSound(instance);
            return nullptr;
        }
    }
    definition->instances.push_back(instance);
    return instance;
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

void SoundDefinitionManager::DestroyInstancesOf(Sound3DDefinition& definition)
{
    AudioManager* audio = GetAudioManager();
    auto destroy = [audio](Sound3D* instance) {
        if (instance->IsLoaded())
            instance->Release();
        audio->Destroy3DSound(instance);
    };
    for (Sound3D* instance : definition.instances)
        destroy(instance);
    for (Sound3D* instance : definition.idleInstances)
        destroy(instance);
    definition.instances.clear();
    definition.idleInstances.clear();
}

void SoundDefinitionManager::Destroy3DInstances(const char* name)
{
    LogFormat("\nDestroying instances of the 3D sound \"%s\"...", name ? name : "");
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition) {
        LogMessage("\n3D sound definition not found!");
        return;
    }
    DestroyInstancesOf(*definition);
}

void SoundDefinitionManager::Remove3DDefinition(const char* name)
{
    LogFormat("\nRemoving a 3D sound definition for the sound \"%s\"...", name ? name : "");
    Sound3DDefinition* definition = Find3DDefinition(name);
    if (!definition)
        return;
    DestroyInstancesOf(*definition);
    definitions3D.erase(std::find_if(definitions3D.begin(), definitions3D.end(),
                                     [definition](const auto& d) { return d.get() == definition; }));
}

void SoundDefinitionManager::DestroyAllInstances()
{
    for (auto& definition : definitions)
        DestroyInstancesOf(*definition);
    for (auto& definition : definitions3D)
        DestroyInstancesOf(*definition);
}

void SoundDefinitionManager::DestroyAllDefinitions()
{
    LogMessage("\nDestroying all sound definitions...");
    for (auto& definition : definitions)
        DestroyInstancesOf(*definition);
    definitions.clear();
    for (auto& definition : definitions3D)
        DestroyInstancesOf(*definition);
    definitions3D.clear();
}
