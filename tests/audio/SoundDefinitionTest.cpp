#include "AudioFixture.h"

#include "audio/Sound.h"
#include "audio/Sound3D.h"

using namespace audiotest;

namespace {

class SoundDefinitionTest : public AudioFixture {};

} // namespace

TEST_F(SoundDefinitionTest, NamesAreExactKeysAndAreDefinedOnce)
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    SoundLoadParams params{};
    EXPECT_TRUE(definitions->AddDefinition("Audio\\Sounds\\Click.wav", &params));
    EXPECT_FALSE(definitions->AddDefinition("Audio\\Sounds\\Click.wav", &params));
    EXPECT_EQ(g_LastError, "Error adding a sound definition: already defined!");
    EXPECT_EQ(definitions->definitions.size(), 1u);
    EXPECT_TRUE(definitions->AddDefinition("a.wav", &params));
    EXPECT_TRUE(definitions->AddDefinition("A.wav", &params));
    EXPECT_TRUE(definitions->Add3DDefinition("a.wav", nullptr));
    EXPECT_FALSE(definitions->Add3DDefinition("a.wav", nullptr));
    EXPECT_EQ(g_LastError, "Error adding a 3D sound definition: already defined!");
    EXPECT_EQ(definitions->definitions.size(), 3u);

    EXPECT_EQ(definitions->CreateInstance("never.wav"), nullptr);
    EXPECT_EQ(definitions->Create3DInstance("never.wav"), nullptr);
    EXPECT_EQ(definitions->definitions.size(), 3u);
    EXPECT_TRUE(GetAudioManager()->sounds.empty());

    definitions->RemoveDefinition("A.wav");
    ASSERT_EQ(definitions->definitions.size(), 2u);
    EXPECT_STREQ(definitions->definitions[1]->name, "a.wav");
}

TEST_F(SoundDefinitionTest, InstancesComeBackFromThePoolOnceStopped)
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    std::string file = Tone("click.wav", 0.1f);
    SoundLoadParams params{};
    ASSERT_TRUE(definitions->AddDefinition(file.c_str(), &params));

    Sound* first = definitions->CreateInstance(file.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->IsLoaded());
    first->Play();
    definitions->ReleaseInstance(file.c_str(), first);
    Sound* second = definitions->CreateInstance(file.c_str());
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second, first);
    second->Play();
    definitions->ReleaseInstance(file.c_str(), second);
    definitions->ReleaseInstance(file.c_str(), second); // given back twice: once counts

    Frame(2205 + 1000);
    EXPECT_FALSE(first->IsPlaying());
    // No file is read for a pooled instance.
    std::filesystem::remove(file);
    EXPECT_EQ(definitions->CreateInstance(file.c_str()), first);
    EXPECT_EQ(definitions->CreateInstance(file.c_str()), second);
    EXPECT_EQ(definitions->CreateInstance(file.c_str()), nullptr);
    EXPECT_EQ(GetAudioManager()->sounds.size(), 2u);
}

TEST_F(SoundDefinitionTest, AnEvictedInstanceIsReloadedOrDroppedWhenItsFileIsGone)
{
    AudioManager* manager = GetAudioManager();
    RestartWithRoomFor(1);
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    std::string file = Tone("click.wav", 0.1f);
    std::string other = Tone("other.wav", 0.1f);
    SoundLoadParams params{};
    ASSERT_TRUE(definitions->AddDefinition(file.c_str(), &params));
    ASSERT_TRUE(definitions->AddDefinition(other.c_str(), &params));

    Sound* click = definitions->CreateInstance(file.c_str());
    definitions->ReleaseInstance(file.c_str(), click);
    Sound* pushing = definitions->CreateInstance(other.c_str()); // evicts the idle click
    ASSERT_NE(pushing, nullptr);
    EXPECT_FALSE(click->IsLoaded());
    definitions->ReleaseInstance(other.c_str(), pushing);

    EXPECT_EQ(definitions->CreateInstance(file.c_str()), click);
    EXPECT_TRUE(click->IsLoaded());
    EXPECT_FALSE(pushing->IsLoaded());
    definitions->ReleaseInstance(file.c_str(), click);

    // The file went away: the reload fails and the instance is not stranded.
    std::filesystem::remove(other);
    EXPECT_EQ(definitions->CreateInstance(other.c_str()), nullptr);
    EXPECT_EQ(manager->sounds.size(), 1u);
    EXPECT_TRUE(definitions->FindDefinition(other.c_str())->idleInstances.empty());
}

TEST_F(SoundDefinitionTest, DestroyingInstancesKeepsTheDefinition)
{
    SoundDefinitionManager* definitions = GetSoundDefinitionManager();
    std::string file = Tone("crash.wav", 0.1f);
    ASSERT_TRUE(definitions->Add3DDefinition(file.c_str(), nullptr));
    Sound3D* a = definitions->Create3DInstance(file.c_str());
    Sound3D* b = definitions->Create3DInstance(file.c_str());
    Sound3D* c = definitions->Create3DInstance(file.c_str());
    ASSERT_TRUE(a && b && c);
    a->Play();
    definitions->Release3DInstance(file.c_str(), &c);
    AudioManager* manager = GetAudioManager();
    EXPECT_EQ(manager->sounds3D.size(), 3u);
    EXPECT_EQ(manager->sounds.size(), 3u); // their inner sounds

    definitions->Destroy3DInstances(file.c_str());
    EXPECT_TRUE(manager->sounds3D.empty());
    EXPECT_TRUE(manager->sounds.empty());
    EXPECT_TRUE(manager->loaded3DSounds.empty());
    ASSERT_NE(definitions->Find3DDefinition(file.c_str()), nullptr);
    Sound3D* fresh = definitions->Create3DInstance(file.c_str());
    ASSERT_NE(fresh, nullptr);
    EXPECT_TRUE(fresh->IsLoaded());

    definitions->Remove3DDefinition(file.c_str());
    EXPECT_EQ(definitions->Find3DDefinition(file.c_str()), nullptr);
    EXPECT_TRUE(manager->sounds3D.empty());
}
