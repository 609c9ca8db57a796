// The two techniques of a body material: 0 untextured, 1 textured.
#include "BodyStages.fxh"

technique Untextured {
    pass P0 {
        vertex = BodyVS; fragment = BodyFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Textured {
    pass P0 {
        vertex = BodyVS; fragment = BodyTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
