-- The usual hand-written IRR in PL/pgSQL, the benchmark's baseline: Newton's
-- method on the NPV of the flows, from 0.1, to a step below 1e-10, at most
-- 50 steps.  Returns the rate as a fraction, NULL when it does not converge.
CREATE FUNCTION newton_irr(flows float8[]) RETURNS float8
LANGUAGE plpgsql IMMUTABLE PARALLEL SAFE AS $$
DECLARE
    rate float8 := 0.1;
    npv float8;
    slope float8;
    step float8;
    discount float8;
BEGIN
    FOR iteration IN 1 .. 50 LOOP
        npv := 0;
        slope := 0;
        FOR t IN 1 .. array_length(flows, 1) LOOP
            discount := power(1 + rate, -(t - 1));
            npv := npv + flows[t] * discount;
            slope := slope - (t - 1) * flows[t] * discount / (1 + rate);
        END LOOP;
        IF slope = 0 THEN
            RETURN NULL;
        END IF;
        step := npv / slope;
        rate := rate - step;
        IF abs(step) < 1e-10 THEN
            RETURN rate;
        END IF;
    END LOOP;
    RETURN NULL;
END
$$;
