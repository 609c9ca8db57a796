#pragma once
// The one way this folder calls OpenGL: epoxy's entry points, each call
// counted into the running frame's figures (plat::LastFrameGlStats). Every
// file here that calls GL includes this instead of <epoxy/gl.h>; a GL
// function new to the folder gets its two lines below, or its calls go
// uncounted. Platform layer only.
#include <epoxy/gl.h>

#include <cstddef>

#include "platform/gfx/Direct3D.h"

namespace plat {
// The frame being drawn: Present moves it to LastFrameGlStats and starts anew.
extern GlFrameStats runningGlStats;
// Buffer and texture uploads add their bytes where they are made.
inline void CountUploadedBytes(size_t bytes) { runningGlStats.bytesUploaded += (long long)bytes; }
}  // namespace plat

#define TM_COUNTED_GL(name) (++::plat::runningGlStats.glCalls, epoxy_##name)
// The draw calls count as draws too.
#define TM_COUNTED_DRAW(name) (++::plat::runningGlStats.draws, TM_COUNTED_GL(name))

#undef glActiveTexture
#define glActiveTexture TM_COUNTED_GL(glActiveTexture)
#undef glAttachShader
#define glAttachShader TM_COUNTED_GL(glAttachShader)
#undef glBindBuffer
#define glBindBuffer TM_COUNTED_GL(glBindBuffer)
#undef glBindFramebuffer
#define glBindFramebuffer TM_COUNTED_GL(glBindFramebuffer)
#undef glBindRenderbuffer
#define glBindRenderbuffer TM_COUNTED_GL(glBindRenderbuffer)
#undef glBindSampler
#define glBindSampler TM_COUNTED_GL(glBindSampler)
#undef glBindTexture
#define glBindTexture TM_COUNTED_GL(glBindTexture)
#undef glBindVertexArray
#define glBindVertexArray TM_COUNTED_GL(glBindVertexArray)
#undef glBlendColor
#define glBlendColor TM_COUNTED_GL(glBlendColor)
#undef glBlendEquationSeparate
#define glBlendEquationSeparate TM_COUNTED_GL(glBlendEquationSeparate)
#undef glBlendFuncSeparate
#define glBlendFuncSeparate TM_COUNTED_GL(glBlendFuncSeparate)
#undef glBlitFramebuffer
#define glBlitFramebuffer TM_COUNTED_GL(glBlitFramebuffer)
#undef glBufferData
#define glBufferData TM_COUNTED_GL(glBufferData)
#undef glBufferSubData
#define glBufferSubData TM_COUNTED_GL(glBufferSubData)
#undef glCheckFramebufferStatus
#define glCheckFramebufferStatus TM_COUNTED_GL(glCheckFramebufferStatus)
#undef glClear
#define glClear TM_COUNTED_GL(glClear)
#undef glClearColor
#define glClearColor TM_COUNTED_GL(glClearColor)
#undef glClearDepth
#define glClearDepth TM_COUNTED_GL(glClearDepth)
#undef glClearStencil
#define glClearStencil TM_COUNTED_GL(glClearStencil)
#undef glClientWaitSync
#define glClientWaitSync TM_COUNTED_GL(glClientWaitSync)
#undef glColorMask
#define glColorMask TM_COUNTED_GL(glColorMask)
#undef glCompileShader
#define glCompileShader TM_COUNTED_GL(glCompileShader)
#undef glCompressedTexImage2D
#define glCompressedTexImage2D TM_COUNTED_GL(glCompressedTexImage2D)
#undef glCompressedTexImage3D
#define glCompressedTexImage3D TM_COUNTED_GL(glCompressedTexImage3D)
#undef glCompressedTexSubImage2D
#define glCompressedTexSubImage2D TM_COUNTED_GL(glCompressedTexSubImage2D)
#undef glCompressedTexSubImage3D
#define glCompressedTexSubImage3D TM_COUNTED_GL(glCompressedTexSubImage3D)
#undef glCreateProgram
#define glCreateProgram TM_COUNTED_GL(glCreateProgram)
#undef glCreateShader
#define glCreateShader TM_COUNTED_GL(glCreateShader)
#undef glCullFace
#define glCullFace TM_COUNTED_GL(glCullFace)
#undef glDeleteBuffers
#define glDeleteBuffers TM_COUNTED_GL(glDeleteBuffers)
#undef glDeleteFramebuffers
#define glDeleteFramebuffers TM_COUNTED_GL(glDeleteFramebuffers)
#undef glDeleteProgram
#define glDeleteProgram TM_COUNTED_GL(glDeleteProgram)
#undef glDeleteRenderbuffers
#define glDeleteRenderbuffers TM_COUNTED_GL(glDeleteRenderbuffers)
#undef glDeleteSamplers
#define glDeleteSamplers TM_COUNTED_GL(glDeleteSamplers)
#undef glDeleteShader
#define glDeleteShader TM_COUNTED_GL(glDeleteShader)
#undef glDeleteSync
#define glDeleteSync TM_COUNTED_GL(glDeleteSync)
#undef glDeleteTextures
#define glDeleteTextures TM_COUNTED_GL(glDeleteTextures)
#undef glDeleteVertexArrays
#define glDeleteVertexArrays TM_COUNTED_GL(glDeleteVertexArrays)
#undef glDepthFunc
#define glDepthFunc TM_COUNTED_GL(glDepthFunc)
#undef glDepthMask
#define glDepthMask TM_COUNTED_GL(glDepthMask)
#undef glDepthRange
#define glDepthRange TM_COUNTED_GL(glDepthRange)
#undef glDisable
#define glDisable TM_COUNTED_GL(glDisable)
#undef glDisableVertexAttribArray
#define glDisableVertexAttribArray TM_COUNTED_GL(glDisableVertexAttribArray)
#undef glDrawArrays
#define glDrawArrays TM_COUNTED_DRAW(glDrawArrays)
#undef glDrawElements
#define glDrawElements TM_COUNTED_DRAW(glDrawElements)
#undef glDrawElementsBaseVertex
#define glDrawElementsBaseVertex TM_COUNTED_DRAW(glDrawElementsBaseVertex)
#undef glEnable
#define glEnable TM_COUNTED_GL(glEnable)
#undef glEnableVertexAttribArray
#define glEnableVertexAttribArray TM_COUNTED_GL(glEnableVertexAttribArray)
#undef glFenceSync
#define glFenceSync TM_COUNTED_GL(glFenceSync)
#undef glFlush
#define glFlush TM_COUNTED_GL(glFlush)
#undef glFramebufferRenderbuffer
#define glFramebufferRenderbuffer TM_COUNTED_GL(glFramebufferRenderbuffer)
#undef glFramebufferTexture2D
#define glFramebufferTexture2D TM_COUNTED_GL(glFramebufferTexture2D)
#undef glFramebufferTextureLayer
#define glFramebufferTextureLayer TM_COUNTED_GL(glFramebufferTextureLayer)
#undef glFrontFace
#define glFrontFace TM_COUNTED_GL(glFrontFace)
#undef glGenBuffers
#define glGenBuffers TM_COUNTED_GL(glGenBuffers)
#undef glGenFramebuffers
#define glGenFramebuffers TM_COUNTED_GL(glGenFramebuffers)
#undef glGenRenderbuffers
#define glGenRenderbuffers TM_COUNTED_GL(glGenRenderbuffers)
#undef glGenSamplers
#define glGenSamplers TM_COUNTED_GL(glGenSamplers)
#undef glGenTextures
#define glGenTextures TM_COUNTED_GL(glGenTextures)
#undef glGenVertexArrays
#define glGenVertexArrays TM_COUNTED_GL(glGenVertexArrays)
#undef glGetActiveUniform
#define glGetActiveUniform TM_COUNTED_GL(glGetActiveUniform)
#undef glGetError
#define glGetError TM_COUNTED_GL(glGetError)
#undef glGetFramebufferAttachmentParameteriv
#define glGetFramebufferAttachmentParameteriv TM_COUNTED_GL(glGetFramebufferAttachmentParameteriv)
#undef glGetProgramInfoLog
#define glGetProgramInfoLog TM_COUNTED_GL(glGetProgramInfoLog)
#undef glGetProgramiv
#define glGetProgramiv TM_COUNTED_GL(glGetProgramiv)
#undef glGetShaderInfoLog
#define glGetShaderInfoLog TM_COUNTED_GL(glGetShaderInfoLog)
#undef glGetShaderiv
#define glGetShaderiv TM_COUNTED_GL(glGetShaderiv)
#undef glGetUniformLocation
#define glGetUniformLocation TM_COUNTED_GL(glGetUniformLocation)
#undef glLinkProgram
#define glLinkProgram TM_COUNTED_GL(glLinkProgram)
#undef glPixelStorei
#define glPixelStorei TM_COUNTED_GL(glPixelStorei)
#undef glPointSize
#define glPointSize TM_COUNTED_GL(glPointSize)
#undef glPolygonMode
#define glPolygonMode TM_COUNTED_GL(glPolygonMode)
#undef glPolygonOffset
#define glPolygonOffset TM_COUNTED_GL(glPolygonOffset)
#undef glReadBuffer
#define glReadBuffer TM_COUNTED_GL(glReadBuffer)
#undef glReadPixels
#define glReadPixels TM_COUNTED_GL(glReadPixels)
#undef glRenderbufferStorage
#define glRenderbufferStorage TM_COUNTED_GL(glRenderbufferStorage)
#undef glSamplerParameterf
#define glSamplerParameterf TM_COUNTED_GL(glSamplerParameterf)
#undef glSamplerParameterfv
#define glSamplerParameterfv TM_COUNTED_GL(glSamplerParameterfv)
#undef glSamplerParameteri
#define glSamplerParameteri TM_COUNTED_GL(glSamplerParameteri)
#undef glScissor
#define glScissor TM_COUNTED_GL(glScissor)
#undef glShaderSource
#define glShaderSource TM_COUNTED_GL(glShaderSource)
#undef glStencilFuncSeparate
#define glStencilFuncSeparate TM_COUNTED_GL(glStencilFuncSeparate)
#undef glStencilMask
#define glStencilMask TM_COUNTED_GL(glStencilMask)
#undef glStencilOpSeparate
#define glStencilOpSeparate TM_COUNTED_GL(glStencilOpSeparate)
#undef glTexImage2D
#define glTexImage2D TM_COUNTED_GL(glTexImage2D)
#undef glTexImage3D
#define glTexImage3D TM_COUNTED_GL(glTexImage3D)
#undef glTexParameteri
#define glTexParameteri TM_COUNTED_GL(glTexParameteri)
#undef glTexParameteriv
#define glTexParameteriv TM_COUNTED_GL(glTexParameteriv)
#undef glTexSubImage2D
#define glTexSubImage2D TM_COUNTED_GL(glTexSubImage2D)
#undef glTexSubImage3D
#define glTexSubImage3D TM_COUNTED_GL(glTexSubImage3D)
#undef glUniform1f
#define glUniform1f TM_COUNTED_GL(glUniform1f)
#undef glUniform1fv
#define glUniform1fv TM_COUNTED_GL(glUniform1fv)
#undef glUniform1i
#define glUniform1i TM_COUNTED_GL(glUniform1i)
#undef glUniform1iv
#define glUniform1iv TM_COUNTED_GL(glUniform1iv)
#undef glUniform2f
#define glUniform2f TM_COUNTED_GL(glUniform2f)
#undef glUniform2fv
#define glUniform2fv TM_COUNTED_GL(glUniform2fv)
#undef glUniform2iv
#define glUniform2iv TM_COUNTED_GL(glUniform2iv)
#undef glUniform3fv
#define glUniform3fv TM_COUNTED_GL(glUniform3fv)
#undef glUniform3iv
#define glUniform3iv TM_COUNTED_GL(glUniform3iv)
#undef glUniform4f
#define glUniform4f TM_COUNTED_GL(glUniform4f)
#undef glUniform4fv
#define glUniform4fv TM_COUNTED_GL(glUniform4fv)
#undef glUniform4iv
#define glUniform4iv TM_COUNTED_GL(glUniform4iv)
#undef glUniformMatrix2fv
#define glUniformMatrix2fv TM_COUNTED_GL(glUniformMatrix2fv)
#undef glUniformMatrix3fv
#define glUniformMatrix3fv TM_COUNTED_GL(glUniformMatrix3fv)
#undef glUniformMatrix4fv
#define glUniformMatrix4fv TM_COUNTED_GL(glUniformMatrix4fv)
#undef glUseProgram
#define glUseProgram TM_COUNTED_GL(glUseProgram)
#undef glVertexAttrib4f
#define glVertexAttrib4f TM_COUNTED_GL(glVertexAttrib4f)
#undef glVertexAttribDivisor
#define glVertexAttribDivisor TM_COUNTED_GL(glVertexAttribDivisor)
#undef glVertexAttribPointer
#define glVertexAttribPointer TM_COUNTED_GL(glVertexAttribPointer)
#undef glViewport
#define glViewport TM_COUNTED_GL(glViewport)
