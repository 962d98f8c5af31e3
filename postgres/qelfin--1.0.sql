-- qelfin--1.0.sql: the seventeen functions of the qelfin module and the
-- cash-flow aggregates.  NULL is the missing value: in the time-value-of-money
-- functions the argument given as NULL is the one computed; a NULL result
-- means the module gave no value (qelfin.invalid says what is reported).
-- Every function is IMMUTABLE and PARALLEL SAFE, so that it runs in parallel
-- workers and is shipped to postgres_fdw servers that have the extension.

\echo Use "CREATE EXTENSION qelfin" to load this file. \quit

CREATE FUNCTION compound(initial float8, final float8, rate float8, periods float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_compound'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION compound(float8, float8, float8, float8) IS 'the missing one of initial amount, final amount, rate and periods of compound interest';

CREATE FUNCTION mort(amount float8, payment float8, rate float8, periods float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_mort'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION mort(float8, float8, float8, float8) IS 'the missing one of amount, payment, rate and periods of a loan';

CREATE FUNCTION saving(final float8, payment float8, rate float8, periods float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_saving'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION saving(float8, float8, float8, float8) IS 'the missing one of final amount, payment, rate and periods of a savings plan';

CREATE FUNCTION npv(rate float8, freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_npv'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION npv(float8, float8, VARIADIC float8[]) IS 'net present value, rate in percent';

CREATE FUNCTION netpv(rate float8, freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_netpv'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION netpv(float8, float8, VARIADIC float8[]) IS 'net present value, rate as a fraction';

CREATE FUNCTION irr(freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_irr'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION irr(float8, VARIADIC float8[]) IS 'internal rate of return in percent';

CREATE FUNCTION intrr(freq float8, VARIADIC flows float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_intrr'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION intrr(float8, VARIADIC float8[]) IS 'internal rate of return as a fraction';

CREATE FUNCTION daccdb(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccdb'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccdb(float8, float8, float8, float8) IS 'accumulated declining-balance depreciation';

CREATE FUNCTION daccdbsl(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccdbsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccdbsl(float8, float8, float8, float8) IS 'accumulated declining-balance depreciation switching to straight line';

CREATE FUNCTION daccsl(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccsl(float8, float8, float8) IS 'accumulated straight-line depreciation';

CREATE FUNCTION daccsyd(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_daccsyd'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION daccsyd(float8, float8, float8) IS 'accumulated sum-of-years''-digits depreciation';

CREATE FUNCTION dacctab(period float8, value float8, VARIADIC fractions float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_dacctab'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION dacctab(float8, float8, VARIADIC float8[]) IS 'accumulated depreciation from a table of fractions';

CREATE FUNCTION depdb(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depdb'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depdb(float8, float8, float8, float8) IS 'declining-balance depreciation of one period';

CREATE FUNCTION depdbsl(period float8, value float8, life float8, factor float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depdbsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depdbsl(float8, float8, float8, float8) IS 'declining-balance depreciation switching to straight line, one period';

CREATE FUNCTION depsl(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depsl'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depsl(float8, float8, float8) IS 'straight-line depreciation of one period';

CREATE FUNCTION depsyd(period float8, value float8, life float8)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_depsyd'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION depsyd(float8, float8, float8) IS 'sum-of-years''-digits depreciation of one period';

CREATE FUNCTION deptab(period float8, value float8, VARIADIC fractions float8[])
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_deptab'
LANGUAGE C IMMUTABLE PARALLEL SAFE;
COMMENT ON FUNCTION deptab(float8, float8, VARIADIC float8[]) IS 'depreciation of one period from a table of fractions';

-- Aggregates over cash flows stored one row per period, in ORDER BY order.
CREATE FUNCTION qelfin_flows_step1(internal, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_step1'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE FUNCTION qelfin_flows_step2(internal, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_flows_step2'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE FUNCTION irr_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_irr_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE AGGREGATE irr_agg(freq float8, flow float8) (
    SFUNC = qelfin_flows_step1,
    STYPE = internal,
    FINALFUNC = irr_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE FUNCTION intrr_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_intrr_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE AGGREGATE intrr_agg(freq float8, flow float8) (
    SFUNC = qelfin_flows_step1,
    STYPE = internal,
    FINALFUNC = intrr_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE FUNCTION npv_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_npv_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE AGGREGATE npv_agg(rate float8, freq float8, flow float8) (
    SFUNC = qelfin_flows_step2,
    STYPE = internal,
    FINALFUNC = npv_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE FUNCTION netpv_agg_final(internal)
RETURNS float8
AS 'MODULE_PATHNAME', 'qelfin_netpv_final'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE AGGREGATE netpv_agg(rate float8, freq float8, flow float8) (
    SFUNC = qelfin_flows_step2,
    STYPE = internal,
    FINALFUNC = netpv_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

-- The same aggregates with each row's period as an argument: the flows are
-- put in period order by the aggregate itself, so no ORDER BY (and no sort
-- of every group by the executor) is needed.  Rows of one period keep the
-- order in which they came.  The final functions are those above.
CREATE FUNCTION qelfin_period_step1(internal, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_period_step1'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE FUNCTION qelfin_period_step2(internal, float8, float8, float8, float8)
RETURNS internal
AS 'MODULE_PATHNAME', 'qelfin_period_step2'
LANGUAGE C IMMUTABLE PARALLEL SAFE;

CREATE AGGREGATE irr_agg(freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step1,
    STYPE = internal,
    FINALFUNC = irr_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE AGGREGATE intrr_agg(freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step1,
    STYPE = internal,
    FINALFUNC = intrr_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE AGGREGATE npv_agg(rate float8, freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step2,
    STYPE = internal,
    FINALFUNC = npv_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);

CREATE AGGREGATE netpv_agg(rate float8, freq float8, period float8, flow float8) (
    SFUNC = qelfin_period_step2,
    STYPE = internal,
    FINALFUNC = netpv_agg_final,
    FINALFUNC_MODIFY = READ_ONLY,
    PARALLEL = SAFE
);
