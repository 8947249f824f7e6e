// Floating-point functions, computed by the host's libm so that results are
// bit for bit the host's: doubles come in on the stack and go back in
// ST(0). Also the helpers the compiler calls: 64-bit division, remainder,
// multiplication and shifts, which return in EDX:EAX, and the stack probe.
#include "testing/i386/api.h"
#include "testing/i386/machine.h"
#include "testing/i386/msvcrt.h"

#include <cmath>
#include <cstring>
#include <string>

namespace vyn::i386 {

namespace {

constexpr int kErrorDomain = 33;
constexpr int kErrorRange = 34;

// Sets errno as the library does for a domain or range error.
void check_result(Machine& m, double value, bool domain_error)
{
    if (domain_error)
        set_errno(m, kErrorDomain);
    else if (std::isinf(value))
        set_errno(m, kErrorRange);
}

template <double (*f)(double)>
std::uint32_t unary(Machine& m, const std::uint32_t*)
{
    double x = m.argument_double(0);
    double y = f(x);
    check_result(m, y, std::isnan(y) && !std::isnan(x));
    m.return_double(y);
    return 0;
}

template <double (*f)(double, double)>
std::uint32_t binary(Machine& m, const std::uint32_t*)
{
    double x = m.argument_double(0), y = m.argument_double(2);
    double z = f(x, y);
    check_result(m, z, std::isnan(z) && !std::isnan(x) && !std::isnan(y));
    m.return_double(z);
    return 0;
}

double sin_(double x) { return std::sin(x); }
double cos_(double x) { return std::cos(x); }
double tan_(double x) { return std::tan(x); }
double asin_(double x) { return std::asin(x); }
double acos_(double x) { return std::acos(x); }
double atan_(double x) { return std::atan(x); }
double sinh_(double x) { return std::sinh(x); }
double cosh_(double x) { return std::cosh(x); }
double tanh_(double x) { return std::tanh(x); }
double exp_(double x) { return std::exp(x); }
double log_(double x) { return std::log(x); }
double log10_(double x) { return std::log10(x); }
double sqrt_(double x) { return std::sqrt(x); }
double floor_(double x) { return std::floor(x); }
double ceil_(double x) { return std::ceil(x); }
double fabs_(double x) { return std::fabs(x); }
double atan2_(double y, double x) { return std::atan2(y, x); }
double pow_(double x, double y) { return std::pow(x, y); }
double fmod_(double x, double y) { return std::fmod(x, y); }
double hypot_(double x, double y) { return std::hypot(x, y); }

std::uint32_t ldexp_(Machine& m, const std::uint32_t*)
{
    double y = std::ldexp(m.argument_double(0), static_cast<std::int32_t>(m.argument(2)));
    check_result(m, y, false);
    m.return_double(y);
    return 0;
}

std::uint32_t frexp_(Machine& m, const std::uint32_t*)
{
    int exponent = 0;
    double y = std::frexp(m.argument_double(0), &exponent);
    if (guest_write_u32(m, m.argument(2), static_cast<std::uint32_t>(exponent)))
        m.return_double(y);
    return 0;
}

std::uint32_t modf_(Machine& m, const std::uint32_t*)
{
    double whole = 0;
    double fraction = std::modf(m.argument_double(0), &whole);
    std::uint64_t bits;
    std::memcpy(&bits, &whole, sizeof bits);
    std::uint32_t target = m.argument(2);
    if (guest_write_u32(m, target, static_cast<std::uint32_t>(bits)) &&
        guest_write_u32(m, target + 4, static_cast<std::uint32_t>(bits >> 32)))
        m.return_double(fraction);
    return 0;
}

std::uint32_t abs_(Machine&, const std::uint32_t* a)
{
    auto v = static_cast<std::int32_t>(a[0]);
    return static_cast<std::uint32_t>(v < 0 ? 0u - static_cast<std::uint32_t>(v) : static_cast<std::uint32_t>(v));
}

std::uint64_t pair(const std::uint32_t* a, int first)
{
    return a[first] | (std::uint64_t(a[first + 1]) << 32);
}

std::uint32_t result64(Machine& m, std::uint64_t value)
{
    m.set_reg(Register::Edx, static_cast<std::uint32_t>(value >> 32));
    return static_cast<std::uint32_t>(value);
}

// _alldiv(a, b) and its kin: two 64-bit operands on the stack, popped by
// the callee. Division by zero raises the processor's exception.
std::uint32_t divide(Machine& m, const std::uint32_t* a, bool is_signed, bool remainder)
{
    std::uint64_t x = pair(a, 0), y = pair(a, 2);
    if (y == 0) {
        m.raise_exception("integer division by zero in " + std::string(remainder ? "_allrem" : "_alldiv"));
        return 0;
    }
    if (!is_signed)
        return result64(m, remainder ? x % y : x / y);
    auto sx = static_cast<std::int64_t>(x), sy = static_cast<std::int64_t>(y);
    if (sx == INT64_MIN && sy == -1)
        return result64(m, remainder ? 0 : x);
    return result64(m, static_cast<std::uint64_t>(remainder ? sx % sy : sx / sy));
}

std::uint32_t alldiv(Machine& m, const std::uint32_t* a) { return divide(m, a, true, false); }
std::uint32_t aulldiv(Machine& m, const std::uint32_t* a) { return divide(m, a, false, false); }
std::uint32_t allrem(Machine& m, const std::uint32_t* a) { return divide(m, a, true, true); }
std::uint32_t aullrem(Machine& m, const std::uint32_t* a) { return divide(m, a, false, true); }

std::uint32_t allmul(Machine& m, const std::uint32_t* a)
{
    return result64(m, pair(a, 0) * pair(a, 2));
}

// The shifts take their operand in EDX:EAX and the count in CL.
std::uint64_t register_operand(Machine& m, std::uint32_t& count)
{
    count = m.reg(Register::Ecx) & 0xFF;
    return m.reg(Register::Eax) | (std::uint64_t(m.reg(Register::Edx)) << 32);
}

std::uint32_t allshl(Machine& m, const std::uint32_t*)
{
    std::uint32_t count = 0;
    std::uint64_t x = register_operand(m, count);
    return result64(m, count >= 64 ? 0 : x << count);
}

std::uint32_t aullshr(Machine& m, const std::uint32_t*)
{
    std::uint32_t count = 0;
    std::uint64_t x = register_operand(m, count);
    return result64(m, count >= 64 ? 0 : x >> count);
}

std::uint32_t allshr(Machine& m, const std::uint32_t*)
{
    std::uint32_t count = 0;
    auto x = static_cast<std::int64_t>(register_operand(m, count));
    return result64(m, static_cast<std::uint64_t>(x >> std::min<std::uint32_t>(count, 63)));
}

// _chkstk: EAX bytes of stack for the caller's frame. It returns with ESP
// lowered by that much (below its own return address), as if the frame had
// been pushed; a frame beyond the stack's reserve is a stack overflow.
std::uint32_t chkstk(Machine& m, const std::uint32_t*)
{
    std::uint32_t esp = m.argument_address(0), size = m.reg(Register::Eax), back = 0;
    if (!m.read_u32(esp - 4, back)) {
        m.raise_fault(esp - 4);
        return 0;
    }
    if (size > esp - m.stack_limit()) {
        m.raise_exception("stack overflow: a frame of " + std::to_string(size) + " bytes");
        return 0;
    }
    m.resume_at(back, esp - size, m.reg(Register::Eax));
    return 0;
}

constexpr Convention C = Convention::Cdecl;
constexpr ApiFunction kFunctions[] = {
    {"msvcrt.dll", "sin", 2, unary<sin_>, C},
    {"msvcrt.dll", "cos", 2, unary<cos_>, C},
    {"msvcrt.dll", "tan", 2, unary<tan_>, C},
    {"msvcrt.dll", "asin", 2, unary<asin_>, C},
    {"msvcrt.dll", "acos", 2, unary<acos_>, C},
    {"msvcrt.dll", "atan", 2, unary<atan_>, C},
    {"msvcrt.dll", "sinh", 2, unary<sinh_>, C},
    {"msvcrt.dll", "cosh", 2, unary<cosh_>, C},
    {"msvcrt.dll", "tanh", 2, unary<tanh_>, C},
    {"msvcrt.dll", "exp", 2, unary<exp_>, C},
    {"msvcrt.dll", "log", 2, unary<log_>, C},
    {"msvcrt.dll", "log10", 2, unary<log10_>, C},
    {"msvcrt.dll", "sqrt", 2, unary<sqrt_>, C},
    {"msvcrt.dll", "floor", 2, unary<floor_>, C},
    {"msvcrt.dll", "ceil", 2, unary<ceil_>, C},
    {"msvcrt.dll", "fabs", 2, unary<fabs_>, C},
    {"msvcrt.dll", "atan2", 4, binary<atan2_>, C},
    {"msvcrt.dll", "pow", 4, binary<pow_>, C},
    {"msvcrt.dll", "fmod", 4, binary<fmod_>, C},
    {"msvcrt.dll", "_hypot", 4, binary<hypot_>, C},
    {"msvcrt.dll", "ldexp", 3, ldexp_, C},
    {"msvcrt.dll", "frexp", 3, frexp_, C},
    {"msvcrt.dll", "modf", 3, modf_, C},
    {"msvcrt.dll", "abs", 1, abs_, C},
    {"msvcrt.dll", "labs", 1, abs_, C},
    {"msvcrt.dll", "_alldiv", 4, alldiv},
    {"msvcrt.dll", "_aulldiv", 4, aulldiv},
    {"msvcrt.dll", "_allrem", 4, allrem},
    {"msvcrt.dll", "_aullrem", 4, aullrem},
    {"msvcrt.dll", "_allmul", 4, allmul},
    {"msvcrt.dll", "_allshl", 0, allshl},
    {"msvcrt.dll", "_allshr", 0, allshr},
    {"msvcrt.dll", "_aullshr", 0, aullshr},
    {"msvcrt.dll", "_chkstk", 0, chkstk},
    {"msvcrt.dll", "_alloca_probe", 0, chkstk},
};

}  // namespace

std::span<const ApiFunction> msvcrt_math_functions()
{
    return kFunctions;
}

}  // namespace vyn::i386
