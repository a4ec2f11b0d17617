// The yardstick for the machine core: a bare 8085 interpreter with nothing but the instruction set — the
// state in locals, a table of S/Z/P flags, one computed jump per instruction, no trace, no views, no
// interrupts, no breakpoints. It runs an Intel HEX object file for a number of instructions and prints the
// registers, so a timing script can run it beside `vandor-cli run` on the same program and check that
// both arrived at the same state.
//
//   minimal8085 loop.hex 500000000    ->   A=.. B=.. C=.. D=.. E=.. F=.. H=.. L=.. PC=.... SP=.... STEPS=n
//
// HLT ends the run. It reads only records of type 00 and 01 and checks nothing else.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

namespace {

uint8_t mem[0x10002];
uint8_t ports[256];

constexpr uint8_t kS = 0x80, kZ = 0x40, kAC = 0x10, kP = 0x04, kCY = 0x01;

struct Szp {
    uint8_t t[256];
    constexpr Szp() : t() {
        for (int x = 0; x < 256; ++x) {
            int ones = 0;
            for (int b = 0; b < 8; ++b) ones += (x >> b) & 1;
            t[x] = static_cast<uint8_t>((x == 0 ? kZ : 0) | (x & 0x80 ? kS : 0) | (ones % 2 == 0 ? kP : 0));
        }
    }
};
constexpr Szp kSzp;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 0;
}

bool load(const char* path) {
    std::ifstream in(path);
    if (!in) return false;
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 11 || line[0] != ':') continue;
        auto byteAt = [&](size_t i) { return hexDigit(line[i]) * 16 + hexDigit(line[i + 1]); };
        const int count = byteAt(1);
        const int address = byteAt(3) * 256 + byteAt(5);
        if (byteAt(7) == 1) break;
        for (int k = 0; k < count && 9 + 2 * k + 1 < static_cast<int>(line.size()); ++k)
            mem[(address + k) & 0xFFFF] = static_cast<uint8_t>(byteAt(9 + 2 * static_cast<size_t>(k)));
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || !load(argv[1])) {
        std::fprintf(stderr, "uso: minimal8085 OBJETO.hex PASOS\n");
        return 2;
    }
    uint64_t n = std::strtoull(argv[2], nullptr, 10);
    uint64_t steps = 0;

    uint8_t a = 0, b = 0, c = 0, d = 0, e = 0, h = 0, l = 0, f = 0;
    uint32_t pc = 0, sp = 0;
    bool ie = false;

#define WRAP() (mem[0x10000] = mem[0], mem[0x10001] = mem[1])
#define B2 (mem[pc + 1])
#define W (static_cast<uint32_t>(mem[pc + 2] << 8 | mem[pc + 1]))
#define HL (static_cast<uint32_t>(h << 8 | l))
#define WR(addr, v) do { const uint32_t at_ = (addr) & 0xFFFF; mem[at_] = (v); if (at_ < 2) WRAP(); } while (0)
#define NEXT(len) do { pc = (pc + (len)) & 0xFFFF; if (--n == 0) goto done; goto *table[mem[pc]]; } while (0)
#define JUMP(target) do { pc = (target); if (--n == 0) goto done; goto *table[mem[pc]]; } while (0)
#define ADD(v, carry) do { const unsigned v_ = (v), c_ = (carry); const unsigned s_ = a + v_ + c_; \
    f = static_cast<uint8_t>(((a & 0xF) + (v_ & 0xF) + c_ > 0xF ? kAC : 0) | (s_ > 0xFF ? kCY : 0) | kSzp.t[s_ & 0xFF]); \
    a = static_cast<uint8_t>(s_); } while (0)
#define SUBF(v, borrow) ({ const int v_ = (v), c_ = (borrow); const int d_ = a - v_ - c_; \
    f = static_cast<uint8_t>(((a & 0xF) - (v_ & 0xF) - c_ >= 0 ? kAC : 0) | (d_ < 0 ? kCY : 0) | kSzp.t[d_ & 0xFF]); \
    static_cast<uint8_t>(d_); })
#define INR(r) do { r = static_cast<uint8_t>(r + 1); f = static_cast<uint8_t>((f & kCY) | ((r & 0xF) == 0 ? kAC : 0) | kSzp.t[r]); } while (0)
#define DCR(r) do { f = static_cast<uint8_t>((f & kCY) | ((r & 0xF) != 0 ? kAC : 0)); r = static_cast<uint8_t>(r - 1); f |= kSzp.t[r]; } while (0)
#define PUSH(hi, lo) do { sp = (sp - 1) & 0xFFFF; WR(sp, hi); sp = (sp - 1) & 0xFFFF; WR(sp, lo); } while (0)
#define POP(hi, lo) do { lo = mem[sp]; sp = (sp + 1) & 0xFFFF; hi = mem[sp]; sp = (sp + 1) & 0xFFFF; } while (0)

    static void* const table[256] = {
        &&nop, &&lxib, &&staxb, &&inxb, &&inrb, &&dcrb, &&mvib, &&rlc, &&nop, &&dadb, &&ldaxb, &&dcxb, &&inrc, &&dcrc, &&mvic, &&rrc,
        &&nop, &&lxid, &&staxd, &&inxd, &&inrd, &&dcrd, &&mvid, &&ral, &&nop, &&dadd, &&ldaxd, &&dcxd, &&inre, &&dcre, &&mvie, &&rar,
        &&rim, &&lxih, &&shld, &&inxh, &&inrh, &&dcrh, &&mvih, &&daa, &&nop, &&dadh, &&lhld, &&dcxh, &&inrl, &&dcrl, &&mvil, &&cma,
        &&sim, &&lxisp, &&sta, &&inxsp, &&inrm, &&dcrm, &&mvim, &&stc, &&nop, &&dadsp, &&lda, &&dcxsp, &&inra, &&dcra, &&mvia, &&cmc,
        &&movbb, &&movbc, &&movbd, &&movbe, &&movbh, &&movbl, &&movbm, &&movba, &&movcb, &&movcc, &&movcd, &&movce, &&movch, &&movcl, &&movcm, &&movca,
        &&movdb, &&movdc, &&movdd, &&movde, &&movdh, &&movdl, &&movdm, &&movda, &&moveb, &&movec, &&moved, &&movee, &&moveh, &&movel, &&movem, &&movea,
        &&movhb, &&movhc, &&movhd, &&movhe, &&movhh, &&movhl, &&movhm, &&movha, &&movlb, &&movlc, &&movld, &&movle, &&movlh, &&movll, &&movlm, &&movla,
        &&movmb, &&movmc, &&movmd, &&movme, &&movmh, &&movml, &&hlt, &&movma, &&movab, &&movac, &&movad, &&movae, &&movah, &&moval, &&movam, &&movaa,
        &&addb, &&addc, &&addd, &&adde, &&addh, &&addl, &&addm, &&adda, &&adcb, &&adcc, &&adcd, &&adce, &&adch, &&adcl, &&adcm, &&adca,
        &&subb, &&subc, &&subd, &&sube, &&subh, &&subl, &&subm, &&suba, &&sbbb, &&sbbc, &&sbbd, &&sbbe, &&sbbh, &&sbbl, &&sbbm, &&sbba,
        &&anab, &&anac, &&anad, &&anae, &&anah, &&anal, &&anam, &&anaa, &&xrab, &&xrac, &&xrad, &&xrae, &&xrah, &&xral, &&xram, &&xraa,
        &&orab, &&orac, &&orad, &&orae, &&orah, &&oral, &&oram, &&oraa, &&cmpb, &&cmpc, &&cmpd, &&cmpe, &&cmph, &&cmpl, &&cmpm, &&cmpa,
        &&rnz, &&popb, &&jnz, &&jmp, &&cnz_, &&pushb, &&adi, &&rst0, &&rz, &&ret, &&jz, &&nop, &&cz_, &&call, &&aci, &&rst1,
        &&rnc, &&popd, &&jnc, &&out, &&cnc_, &&pushd, &&sui, &&rst2, &&rc, &&nop, &&jc, &&in, &&cc_, &&nop, &&sbi, &&rst3,
        &&rpo, &&poph, &&jpo, &&xthl, &&cpo_, &&pushh, &&ani, &&rst4, &&rpe, &&pchl, &&jpe, &&xchg, &&cpe_, &&nop, &&xri, &&rst5,
        &&rp, &&poppsw, &&jp, &&di, &&cp_, &&pushpsw, &&ori, &&rst6, &&rm, &&sphl, &&jm, &&ei, &&cm_, &&nop, &&cpi, &&rst7,
    };

    WRAP();
    if (n == 0) goto done;
    goto *table[mem[pc]];

nop: NEXT(1);
lxib: c = mem[pc + 1]; b = mem[pc + 2]; NEXT(3);
lxid: e = mem[pc + 1]; d = mem[pc + 2]; NEXT(3);
lxih: l = mem[pc + 1]; h = mem[pc + 2]; NEXT(3);
lxisp: sp = W; NEXT(3);
staxb: WR(b << 8 | c, a); NEXT(1);
staxd: WR(d << 8 | e, a); NEXT(1);
ldaxb: a = mem[b << 8 | c]; NEXT(1);
ldaxd: a = mem[d << 8 | e]; NEXT(1);
shld: { const uint32_t x = W; WR(x, l); WR(x + 1, h); } NEXT(3);
lhld: { const uint32_t x = W; l = mem[x]; h = mem[(x + 1) & 0xFFFF]; } NEXT(3);
sta: WR(W, a); NEXT(3);
lda: a = mem[W]; NEXT(3);
inxb: { const uint32_t x = (b << 8 | c) + 1; b = static_cast<uint8_t>(x >> 8); c = static_cast<uint8_t>(x); } NEXT(1);
inxd: { const uint32_t x = (d << 8 | e) + 1; d = static_cast<uint8_t>(x >> 8); e = static_cast<uint8_t>(x); } NEXT(1);
inxh: { const uint32_t x = HL + 1; h = static_cast<uint8_t>(x >> 8); l = static_cast<uint8_t>(x); } NEXT(1);
inxsp: sp = (sp + 1) & 0xFFFF; NEXT(1);
dcxb: { const uint32_t x = (b << 8 | c) - 1; b = static_cast<uint8_t>(x >> 8); c = static_cast<uint8_t>(x); } NEXT(1);
dcxd: { const uint32_t x = (d << 8 | e) - 1; d = static_cast<uint8_t>(x >> 8); e = static_cast<uint8_t>(x); } NEXT(1);
dcxh: { const uint32_t x = HL - 1; h = static_cast<uint8_t>(x >> 8); l = static_cast<uint8_t>(x); } NEXT(1);
dcxsp: sp = (sp - 1) & 0xFFFF; NEXT(1);
dadb: { const uint32_t s = HL + (b << 8 | c); f = static_cast<uint8_t>((f & ~kCY) | (s >> 16)); h = static_cast<uint8_t>(s >> 8); l = static_cast<uint8_t>(s); } NEXT(1);
dadd: { const uint32_t s = HL + (d << 8 | e); f = static_cast<uint8_t>((f & ~kCY) | (s >> 16)); h = static_cast<uint8_t>(s >> 8); l = static_cast<uint8_t>(s); } NEXT(1);
dadh: { const uint32_t s = HL + HL; f = static_cast<uint8_t>((f & ~kCY) | (s >> 16)); h = static_cast<uint8_t>(s >> 8); l = static_cast<uint8_t>(s); } NEXT(1);
dadsp: { const uint32_t s = HL + sp; f = static_cast<uint8_t>((f & ~kCY) | (s >> 16)); h = static_cast<uint8_t>(s >> 8); l = static_cast<uint8_t>(s); } NEXT(1);
inrb: INR(b); NEXT(1);
inrc: INR(c); NEXT(1);
inrd: INR(d); NEXT(1);
inre: INR(e); NEXT(1);
inrh: INR(h); NEXT(1);
inrl: INR(l); NEXT(1);
inra: INR(a); NEXT(1);
inrm: { uint8_t x = mem[HL]; INR(x); WR(HL, x); } NEXT(1);
dcrb: DCR(b); NEXT(1);
dcrc: DCR(c); NEXT(1);
dcrd: DCR(d); NEXT(1);
dcre: DCR(e); NEXT(1);
dcrh: DCR(h); NEXT(1);
dcrl: DCR(l); NEXT(1);
dcra: DCR(a); NEXT(1);
dcrm: { uint8_t x = mem[HL]; DCR(x); WR(HL, x); } NEXT(1);
mvib: b = B2; NEXT(2);
mvic: c = B2; NEXT(2);
mvid: d = B2; NEXT(2);
mvie: e = B2; NEXT(2);
mvih: h = B2; NEXT(2);
mvil: l = B2; NEXT(2);
mvia: a = B2; NEXT(2);
mvim: WR(HL, B2); NEXT(2);
rlc: f = static_cast<uint8_t>((f & ~kCY) | (a >> 7)); a = static_cast<uint8_t>(a << 1 | a >> 7); NEXT(1);
rrc: f = static_cast<uint8_t>((f & ~kCY) | (a & 1)); a = static_cast<uint8_t>(a >> 1 | a << 7); NEXT(1);
ral: { const uint8_t cy = f & kCY; f = static_cast<uint8_t>((f & ~kCY) | (a >> 7)); a = static_cast<uint8_t>(a << 1 | cy); } NEXT(1);
rar: { const uint8_t cy = f & kCY; f = static_cast<uint8_t>((f & ~kCY) | (a & 1)); a = static_cast<uint8_t>(a >> 1 | cy << 7); } NEXT(1);
rim: a = ie ? 0x08 : 0; NEXT(1);
sim: NEXT(1);
daa: {
    int lo = a & 0xF, hi = a >> 4;
    if ((f & kAC) || lo > 9) { if (lo > 9) ++hi; lo = (lo + 6) & 0xF; }
    if ((f & kCY) || hi > 9) { hi = (hi + 6) & 0xF; f |= kCY; }
    a = static_cast<uint8_t>(hi << 4 | lo);
    f = static_cast<uint8_t>((f & ~(kS | kZ | kP)) | kSzp.t[a]);
} NEXT(1);
cma: a = static_cast<uint8_t>(~a); NEXT(1);
stc: f |= kCY; NEXT(1);
cmc: f ^= kCY; NEXT(1);
hlt: pc = (pc + 1) & 0xFFFF; --n; goto done;
jmp: JUMP(W);
call: { const uint32_t target = W; pc = (pc + 3) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(target); }
ret: { uint8_t hi, lo; POP(hi, lo); JUMP(static_cast<uint32_t>(hi << 8 | lo)); }
pushb: PUSH(b, c); NEXT(1);
pushd: PUSH(d, e); NEXT(1);
pushh: PUSH(h, l); NEXT(1);
pushpsw: PUSH(a, f); NEXT(1);
popb: POP(b, c); NEXT(1);
popd: POP(d, e); NEXT(1);
poph: POP(h, l); NEXT(1);
poppsw: POP(a, f); NEXT(1);
xthl: { const uint8_t lo = mem[sp], hi = mem[(sp + 1) & 0xFFFF]; WR(sp + 1, h); WR(sp, l); h = hi; l = lo; } NEXT(1);
xchg: { uint8_t t = d; d = h; h = t; t = e; e = l; l = t; } NEXT(1);
pchl: JUMP(HL);
sphl: sp = HL; NEXT(1);
in: a = ports[B2]; NEXT(2);
out: ports[B2] = a; NEXT(2);
di: ie = false; NEXT(1);
ei: ie = true; NEXT(1);
movbb: b = b; NEXT(1);
movbc: b = c; NEXT(1);
movbd: b = d; NEXT(1);
movbe: b = e; NEXT(1);
movbh: b = h; NEXT(1);
movbl: b = l; NEXT(1);
movbm: b = mem[HL]; NEXT(1);
movba: b = a; NEXT(1);
movcb: c = b; NEXT(1);
movcc: c = c; NEXT(1);
movcd: c = d; NEXT(1);
movce: c = e; NEXT(1);
movch: c = h; NEXT(1);
movcl: c = l; NEXT(1);
movcm: c = mem[HL]; NEXT(1);
movca: c = a; NEXT(1);
movdb: d = b; NEXT(1);
movdc: d = c; NEXT(1);
movdd: d = d; NEXT(1);
movde: d = e; NEXT(1);
movdh: d = h; NEXT(1);
movdl: d = l; NEXT(1);
movdm: d = mem[HL]; NEXT(1);
movda: d = a; NEXT(1);
moveb: e = b; NEXT(1);
movec: e = c; NEXT(1);
moved: e = d; NEXT(1);
movee: e = e; NEXT(1);
moveh: e = h; NEXT(1);
movel: e = l; NEXT(1);
movem: e = mem[HL]; NEXT(1);
movea: e = a; NEXT(1);
movhb: h = b; NEXT(1);
movhc: h = c; NEXT(1);
movhd: h = d; NEXT(1);
movhe: h = e; NEXT(1);
movhh: h = h; NEXT(1);
movhl: h = l; NEXT(1);
movhm: h = mem[HL]; NEXT(1);
movha: h = a; NEXT(1);
movlb: l = b; NEXT(1);
movlc: l = c; NEXT(1);
movld: l = d; NEXT(1);
movle: l = e; NEXT(1);
movlh: l = h; NEXT(1);
movll: l = l; NEXT(1);
movlm: l = mem[HL]; NEXT(1);
movla: l = a; NEXT(1);
movmb: WR(HL, b); NEXT(1);
movmc: WR(HL, c); NEXT(1);
movmd: WR(HL, d); NEXT(1);
movme: WR(HL, e); NEXT(1);
movmh: WR(HL, h); NEXT(1);
movml: WR(HL, l); NEXT(1);
movma: WR(HL, a); NEXT(1);
movab: a = b; NEXT(1);
movac: a = c; NEXT(1);
movad: a = d; NEXT(1);
movae: a = e; NEXT(1);
movah: a = h; NEXT(1);
moval: a = l; NEXT(1);
movam: a = mem[HL]; NEXT(1);
movaa: a = a; NEXT(1);
addb: ADD(b, 0); NEXT(1);
addc: ADD(c, 0); NEXT(1);
addd: ADD(d, 0); NEXT(1);
adde: ADD(e, 0); NEXT(1);
addh: ADD(h, 0); NEXT(1);
addl: ADD(l, 0); NEXT(1);
addm: ADD(mem[HL], 0); NEXT(1);
adda: ADD(a, 0); NEXT(1);
adcb: ADD(b, f & kCY); NEXT(1);
adcc: ADD(c, f & kCY); NEXT(1);
adcd: ADD(d, f & kCY); NEXT(1);
adce: ADD(e, f & kCY); NEXT(1);
adch: ADD(h, f & kCY); NEXT(1);
adcl: ADD(l, f & kCY); NEXT(1);
adcm: ADD(mem[HL], f & kCY); NEXT(1);
adca: ADD(a, f & kCY); NEXT(1);
subb: a = SUBF(b, 0); NEXT(1);
subc: a = SUBF(c, 0); NEXT(1);
subd: a = SUBF(d, 0); NEXT(1);
sube: a = SUBF(e, 0); NEXT(1);
subh: a = SUBF(h, 0); NEXT(1);
subl: a = SUBF(l, 0); NEXT(1);
subm: a = SUBF(mem[HL], 0); NEXT(1);
suba: a = SUBF(a, 0); NEXT(1);
sbbb: a = SUBF(b, f & kCY); NEXT(1);
sbbc: a = SUBF(c, f & kCY); NEXT(1);
sbbd: a = SUBF(d, f & kCY); NEXT(1);
sbbe: a = SUBF(e, f & kCY); NEXT(1);
sbbh: a = SUBF(h, f & kCY); NEXT(1);
sbbl: a = SUBF(l, f & kCY); NEXT(1);
sbbm: a = SUBF(mem[HL], f & kCY); NEXT(1);
sbba: a = SUBF(a, f & kCY); NEXT(1);
anab: a &= b; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anac: a &= c; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anad: a &= d; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anae: a &= e; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anah: a &= h; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anal: a &= l; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anam: a &= mem[HL]; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
anaa: a &= a; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(1);
xrab: a ^= b; f = kSzp.t[a]; NEXT(1);
xrac: a ^= c; f = kSzp.t[a]; NEXT(1);
xrad: a ^= d; f = kSzp.t[a]; NEXT(1);
xrae: a ^= e; f = kSzp.t[a]; NEXT(1);
xrah: a ^= h; f = kSzp.t[a]; NEXT(1);
xral: a ^= l; f = kSzp.t[a]; NEXT(1);
xram: a ^= mem[HL]; f = kSzp.t[a]; NEXT(1);
xraa: a ^= a; f = kSzp.t[a]; NEXT(1);
orab: a |= b; f = kSzp.t[a]; NEXT(1);
orac: a |= c; f = kSzp.t[a]; NEXT(1);
orad: a |= d; f = kSzp.t[a]; NEXT(1);
orae: a |= e; f = kSzp.t[a]; NEXT(1);
orah: a |= h; f = kSzp.t[a]; NEXT(1);
oral: a |= l; f = kSzp.t[a]; NEXT(1);
oram: a |= mem[HL]; f = kSzp.t[a]; NEXT(1);
oraa: a |= a; f = kSzp.t[a]; NEXT(1);
cmpb: (void)SUBF(b, 0); NEXT(1);
cmpc: (void)SUBF(c, 0); NEXT(1);
cmpd: (void)SUBF(d, 0); NEXT(1);
cmpe: (void)SUBF(e, 0); NEXT(1);
cmph: (void)SUBF(h, 0); NEXT(1);
cmpl: (void)SUBF(l, 0); NEXT(1);
cmpm: (void)SUBF(mem[HL], 0); NEXT(1);
cmpa: (void)SUBF(a, 0); NEXT(1);
adi: ADD(B2, 0); NEXT(2);
aci: ADD(B2, f & kCY); NEXT(2);
sui: a = SUBF(B2, 0); NEXT(2);
sbi: a = SUBF(B2, f & kCY); NEXT(2);
ani: a &= B2; f = static_cast<uint8_t>(kAC | kSzp.t[a]); NEXT(2);
xri: a ^= B2; f = kSzp.t[a]; NEXT(2);
ori: a |= B2; f = kSzp.t[a]; NEXT(2);
cpi: (void)SUBF(B2, 0); NEXT(2);
jnz: if (!(f & kZ)) JUMP(W); NEXT(3);
cnz_: if (!(f & kZ)) goto call; NEXT(3);
rnz: if (!(f & kZ)) goto ret; NEXT(1);
jz: if ((f & kZ)) JUMP(W); NEXT(3);
cz_: if ((f & kZ)) goto call; NEXT(3);
rz: if ((f & kZ)) goto ret; NEXT(1);
jnc: if (!(f & kCY)) JUMP(W); NEXT(3);
cnc_: if (!(f & kCY)) goto call; NEXT(3);
rnc: if (!(f & kCY)) goto ret; NEXT(1);
jc: if ((f & kCY)) JUMP(W); NEXT(3);
cc_: if ((f & kCY)) goto call; NEXT(3);
rc: if ((f & kCY)) goto ret; NEXT(1);
jpo: if (!(f & kP)) JUMP(W); NEXT(3);
cpo_: if (!(f & kP)) goto call; NEXT(3);
rpo: if (!(f & kP)) goto ret; NEXT(1);
jpe: if ((f & kP)) JUMP(W); NEXT(3);
cpe_: if ((f & kP)) goto call; NEXT(3);
rpe: if ((f & kP)) goto ret; NEXT(1);
jp: if (!(f & kS)) JUMP(W); NEXT(3);
cp_: if (!(f & kS)) goto call; NEXT(3);
rp: if (!(f & kS)) goto ret; NEXT(1);
jm: if ((f & kS)) JUMP(W); NEXT(3);
cm_: if ((f & kS)) goto call; NEXT(3);
rm: if ((f & kS)) goto ret; NEXT(1);
rst0: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(0);
rst1: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(8);
rst2: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(16);
rst3: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(24);
rst4: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(32);
rst5: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(40);
rst6: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(48);
rst7: pc = (pc + 1) & 0xFFFF; PUSH(pc >> 8, pc & 0xFF); JUMP(56);

done:
    steps = std::strtoull(argv[2], nullptr, 10) - n;
    std::printf("A=%02X B=%02X C=%02X D=%02X E=%02X F=%02X H=%02X L=%02X PC=%04X SP=%04X STEPS=%llu\n", a, b, c, d,
                e, f, h, l, pc, sp, static_cast<unsigned long long>(steps));
    return 0;
}
