// The standard templates of mesh files, known to every mesh read even when
// the file does not define them: the retained-mode set, the skinning set and
// the extension set, with the layouts and GUIDs that exporters rely on.
#include <cstdio>

#include "platform/common/ErrorLog.h"
#include "platform/xfile/XFile.h"

namespace plat {

namespace {

constexpr const char* kStandardTemplates = R"(
template Header { <3D82AB43-62DA-11CF-AB39-0020AF71E433> WORD major; WORD minor; DWORD flags; }
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
template Coords2d { <F6F23F44-7686-11CF-8F52-0040333594A3> FLOAT u; FLOAT v; }
template Matrix4x4 { <F6F23F45-7686-11CF-8F52-0040333594A3> array FLOAT matrix[16]; }
template ColorRGBA { <35FF44E0-6C7C-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; FLOAT alpha; }
template ColorRGB { <D3E16E81-7835-11CF-8F52-0040333594A3> FLOAT red; FLOAT green; FLOAT blue; }
template IndexedColor { <1630B820-7842-11CF-8F52-0040333594A3> DWORD index; ColorRGBA indexColor; }
template Boolean { <4885AE61-78E8-11CF-8F52-0040333594A3> WORD truefalse; }
template Boolean2d { <4885AE63-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template MaterialWrap { <4885AE60-78E8-11CF-8F52-0040333594A3> Boolean u; Boolean v; }
template TextureFilename { <A42790E1-7810-11CF-8F52-0040333594A3> STRING filename; }
template Material {
 <3D82AB4D-62DA-11CF-AB39-0020AF71E433>
 ColorRGBA faceColor; FLOAT power; ColorRGB specularColor; ColorRGB emissiveColor;
 [...]
}
template MeshFace {
 <3D82AB5F-62DA-11CF-AB39-0020AF71E433>
 DWORD nFaceVertexIndices; array DWORD faceVertexIndices[nFaceVertexIndices];
}
template MeshFaceWraps {
 <4885AE62-78E8-11CF-8F52-0040333594A3>
 DWORD nFaceWrapValues; array Boolean2d faceWrapValues[nFaceWrapValues];
}
template MeshTextureCoords {
 <F6F23F40-7686-11CF-8F52-0040333594A3>
 DWORD nTextureCoords; array Coords2d textureCoords[nTextureCoords];
}
template MeshMaterialList {
 <F6F23F42-7686-11CF-8F52-0040333594A3>
 DWORD nMaterials; DWORD nFaceIndexes; array DWORD faceIndexes[nFaceIndexes];
 [Material <3D82AB4D-62DA-11CF-AB39-0020AF71E433>]
}
template MeshNormals {
 <F6F23F43-7686-11CF-8F52-0040333594A3>
 DWORD nNormals; array Vector normals[nNormals];
 DWORD nFaceNormals; array MeshFace faceNormals[nFaceNormals];
}
template MeshVertexColors {
 <1630B821-7842-11CF-8F52-0040333594A3>
 DWORD nVertexColors; array IndexedColor vertexColors[nVertexColors];
}
template Mesh {
 <3D82AB44-62DA-11CF-AB39-0020AF71E433>
 DWORD nVertices; array Vector vertices[nVertices];
 DWORD nFaces; array MeshFace faces[nFaces];
 [...]
}
template FrameTransformMatrix { <F6F23F41-7686-11CF-8F52-0040333594A3> Matrix4x4 frameMatrix; }
template Frame { <3D82AB46-62DA-11CF-AB39-0020AF71E433> [...] }
template FloatKeys { <10DD46A9-775B-11CF-8F52-0040333594A3> DWORD nValues; array FLOAT values[nValues]; }
template TimedFloatKeys { <F406B180-7B3B-11CF-8F52-0040333594A3> DWORD time; FloatKeys tfkeys; }
template AnimationKey {
 <10DD46A8-775B-11CF-8F52-0040333594A3>
 DWORD keyType; DWORD nKeys; array TimedFloatKeys keys[nKeys];
}
template AnimationOptions { <E2BF56C0-840F-11CF-8F52-0040333594A3> DWORD openclosed; DWORD positionquality; }
template Animation { <3D82AB4F-62DA-11CF-AB39-0020AF71E433> [...] }
template AnimationSet { <3D82AB50-62DA-11CF-AB39-0020AF71E433> [Animation <3D82AB4F-62DA-11CF-AB39-0020AF71E433>] }
template Quaternion { <10DD46A3-775B-11CF-8F52-0040333594A3> FLOAT s; Vector v; }
template Guid {
 <A42790E0-7810-11CF-8F52-0040333594A3>
 DWORD data1; WORD data2; WORD data3; array UCHAR data4[8];
}
template StringProperty { <7F0F21E0-BFE1-11D1-82C0-00A0C9697271> STRING key; STRING value; }
template PropertyBag { <7F0F21E1-BFE1-11D1-82C0-00A0C9697271> [StringProperty <7F0F21E0-BFE1-11D1-82C0-00A0C9697271>] }
template ExternalVisual { <98116AA0-BDBA-11D1-82C0-00A0C9697271> Guid guidExternalVisual; [...] }
template RightHanded { <7F5D5EA0-D53A-11D1-82C0-00A0C9697271> DWORD bRightHanded; }
template Url { <3A23EEA1-94B1-11D0-AB39-0020AF71E433> DWORD nUrls; array STRING urls[nUrls]; }
template InlineData { <3A23EEA0-94B1-11D0-AB39-0020AF71E433> [BINARY] }
template ProgressiveMesh {
 <8A63C360-997D-11D0-941C-0080C80CFA7B>
 [Url <3A23EEA1-94B1-11D0-AB39-0020AF71E433>, InlineData <3A23EEA0-94B1-11D0-AB39-0020AF71E433>]
}
template VertexDuplicationIndices {
 <B8D65549-D7C9-4995-89CF-53A9A8B031E3>
 DWORD nIndices; DWORD nOriginalVertices; array DWORD indices[nIndices];
}
template XSkinMeshHeader {
 <3CF169CE-FF7C-44AB-93C0-F78F62D172E2>
 WORD nMaxSkinWeightsPerVertex; WORD nMaxSkinWeightsPerFace; WORD nBones;
}
template SkinWeights {
 <6F0D123B-BAD2-4167-A0D0-80224F25FABB>
 STRING transformNodeName; DWORD nWeights; array DWORD vertexIndices[nWeights];
 array FLOAT weights[nWeights]; Matrix4x4 matrixOffset;
}
template FVFData { <B6E70A0E-8EF9-4E83-94AD-ECC8B0C04897> DWORD dwFVF; DWORD nDWords; array DWORD data[nDWords]; }
template VertexElement {
 <F752461C-1E23-48F6-B9F8-8350850F336F>
 DWORD Type; DWORD Method; DWORD Usage; DWORD UsageIndex;
}
template DeclData {
 <BF22E553-292C-4781-9FEA-62BD554BDD93>
 DWORD nElements; array VertexElement Elements[nElements]; DWORD nDWords; array DWORD data[nDWords];
}
template EffectFloats { <F1CFE2B3-0DE3-4E28-AFA1-155A750A282D> DWORD nFloats; array FLOAT Floats[nFloats]; }
template EffectString { <D55B097E-BDB6-4C52-B03D-6051C89D0E42> STRING Value; }
template EffectDWord { <622C0ED0-956E-4DA9-908A-2AF94F3CE716> DWORD Value; }
template EffectParamFloats {
 <3014B9A0-62F5-478C-9B86-E4AC9F4E418B>
 STRING ParamName; DWORD nFloats; array FLOAT Floats[nFloats];
}
template EffectParamString { <1DBC4C88-94C1-46EE-9076-2C28818C9481> STRING ParamName; STRING Value; }
template EffectParamDWord { <E13963BC-AE51-4C5D-B00F-CFA3A9D97CE5> STRING ParamName; DWORD Value; }
template EffectInstance { <E331F7E4-0559-4CC2-8E99-1CEC1657928F> STRING EffectFilename; [...] }
template AnimTicksPerSecond { <9E415A43-7BA6-4A73-8743-B73D47E88476> DWORD AnimTicksPerSecond; }
template CompressedAnimationSet {
 <7F9B00B3-F125-4890-876E-1C42BF697C4D>
 DWORD CompressedBlockSize; FLOAT TicksPerSec; DWORD PlaybackType; DWORD BufferLength;
 array DWORD CompressedData[BufferLength];
}
template Patch { <A3EB5D44-FC22-429D-9AFB-3221CB9719A6> DWORD nControlIndices; array DWORD controlIndices[nControlIndices]; }
template PatchMesh {
 <D02C95CC-EDBA-4305-9B5D-1820D7704BDD>
 DWORD nVertices; array Vector vertices[nVertices]; DWORD nPatches; array Patch patches[nPatches];
 [...]
}
template PatchMesh9 {
 <B9EC94E1-B9A6-4251-BA18-94893F02C0EA>
 DWORD Type; DWORD Degree; DWORD Basis; DWORD nVertices; array Vector vertices[nVertices];
 DWORD nPatches; array Patch patches[nPatches];
 [...]
}
template PMAttributeRange {
 <917E0427-C61E-4A14-9C64-AFE65F9E9844>
 DWORD iFaceOffset; DWORD nFacesMin; DWORD nFacesMax; DWORD iVertexOffset; DWORD nVerticesMin; DWORD nVerticesMax;
}
template PMVSplitRecord { <574CCC14-F0B3-4333-822D-93E8A8A08E4C> DWORD iFaceCLW; DWORD iVlrOffset; DWORD iCode; }
template PMInfo {
 <B6C3E656-EC8B-4B92-9B62-681659522947>
 DWORD nAttributes; array PMAttributeRange attributeRanges[nAttributes];
 DWORD nMaxValence; DWORD nMinLogicalVertices; DWORD nMaxLogicalVertices;
 DWORD nVSplits; array PMVSplitRecord splitRecords[nVSplits];
 DWORD nAttributeMispredicts; array DWORD attributeMispredicts[nAttributeMispredicts];
}
)";

XTemplateRegistry BuildStandard() {
    XTemplateRegistry registry;
    std::string error;
    // The text above is fixed; failing to read it is a fault of this file.
    if (!registry.RegisterTemplates(kStandardTemplates, &error, "standard templates"))
        plat::LogErrorF("%s\n", error.c_str());
    return registry;
}

}  // namespace

const XTemplateRegistry& XTemplateRegistry::Standard() {
    static const XTemplateRegistry registry = BuildStandard();
    return registry;
}

}  // namespace plat
