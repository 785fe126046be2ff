#include "backend/gpu/GpuShaderCache.h"

#include "backend/gpu/GlHeaders.h"
#include "backend/gpu/GpuGlState.h"
#include "backend/gpu/GpuShaderSource.h"

#include <string>

namespace backend {

namespace {

GLuint Compile(GLenum type, const std::string& source, std::string& error)
{
    GLuint shader = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetShaderInfoLog(shader, sizeof(log), nullptr, log);
        error = std::string("shader compilation failed: ") + log + "\n" + source;
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}

} // namespace

GpuShaderCache::~GpuShaderCache()
{
    DeletePrograms();
}

void GpuShaderCache::DeletePrograms()
{
    for (auto& entry : programs)
        if (entry.second && entry.second->name)
            glDeleteProgram(entry.second->name);
}

void GpuShaderCache::Clear()
{
    state.UseProgram(0);
    DeletePrograms();
    programs.clear();
}

GpuProgram* GpuShaderCache::Get(const GpuShaderKey& key)
{
    auto found = programs.find(key);
    if (found != programs.end())
        return found->second.get();
    auto program = std::make_unique<GpuProgram>();
    if (!Build(key, *program))
        return nullptr;
    return programs.emplace(key, std::move(program)).first->second.get();
}

bool GpuShaderCache::Build(const GpuShaderKey& key, GpuProgram& program)
{
    GLuint vertex = Compile(GL_VERTEX_SHADER, GpuVertexShaderSource(key), lastError);
    if (!vertex)
        return false;
    GLuint fragment = Compile(GL_FRAGMENT_SHADER, GpuFragmentShaderSource(key), lastError);
    if (!fragment) {
        glDeleteShader(vertex);
        return false;
    }
    GLuint name = glCreateProgram();
    glAttachShader(name, vertex);
    glAttachShader(name, fragment);
    glBindAttribLocation(name, GPU_ATTRIB_POSITION, "a_position");
    glBindAttribLocation(name, GPU_ATTRIB_NORMAL, "a_normal");
    glBindAttribLocation(name, GPU_ATTRIB_DIFFUSE, "a_diffuse");
    glBindAttribLocation(name, GPU_ATTRIB_SPECULAR, "a_specular");
    for (GLuint i = 0; i < 8; ++i) {
        std::string attribute = "a_texcoord" + std::to_string(i);
        glBindAttribLocation(name, GPU_ATTRIB_TEXCOORD0 + i, attribute.c_str());
    }
    glLinkProgram(name);
    glDeleteShader(vertex);
    glDeleteShader(fragment);
    GLint ok = 0;
    glGetProgramiv(name, GL_LINK_STATUS, &ok);
    if (!ok) {
        char log[1024] = {};
        glGetProgramInfoLog(name, sizeof(log), nullptr, log);
        lastError = std::string("shader link failed: ") + log;
        glDeleteProgram(name);
        return false;
    }
    program.name = name;
    program.worldView = glGetUniformLocation(name, "u_worldView");
    program.projection = glGetUniformLocation(name, "u_projection");
    program.normalMatrix = glGetUniformLocation(name, "u_normalMatrix");
    program.flipY = glGetUniformLocation(name, "u_flipY");
    program.viewport = glGetUniformLocation(name, "u_viewport");
    program.texMatrix = glGetUniformLocation(name, "u_texMatrix");
    program.lightToward = glGetUniformLocation(name, "u_lightToward");
    program.lightDiffuse = glGetUniformLocation(name, "u_lightDiffuse");
    program.lightSpecular = glGetUniformLocation(name, "u_lightSpecular");
    program.lightAmbient = glGetUniformLocation(name, "u_lightAmbient");
    program.matDiffuse = glGetUniformLocation(name, "u_matDiffuse");
    program.matAmbient = glGetUniformLocation(name, "u_matAmbient");
    program.matSpecular = glGetUniformLocation(name, "u_matSpecular");
    program.matEmissive = glGetUniformLocation(name, "u_matEmissive");
    program.matPower = glGetUniformLocation(name, "u_matPower");
    program.globalAmbient = glGetUniformLocation(name, "u_globalAmbient");
    program.tfactor = glGetUniformLocation(name, "u_tfactor");
    program.alphaRef = glGetUniformLocation(name, "u_alphaRef");
    state.UseProgram(name);
    for (int i = 0; i < 8; ++i) {
        std::string sampler = "u_tex" + std::to_string(i);
        program.samplers[i] = glGetUniformLocation(name, sampler.c_str());
        if (program.samplers[i] >= 0)
            glUniform1i(program.samplers[i], i);
    }
    return true;
}

} // namespace backend
