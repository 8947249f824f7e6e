This is a CMS file. Do NOT edit!
Head     1.3;
Branch   1.2.1;
Access   ;
RevNames  stable:1.2 side:1.2.2.1;
Locks    ;
CmsVersion 2;
Binary 0;


1.3
Date     2026.5.1.0.0.5;
  Author ann;
  State Rel;
Branches     
 ;
Next     1.2;

1.2
Date     2026.5.1.0.0.4;
  Author ann;
  State Exp;
Branches     
 1.2.1.1 1.2.2.1;
Next     1.1;

1.1
Date     2026.5.1.0.0.3;
  Author ann;
  State Exp;
Branches     
 ;
Next     ;

1.2.1.1
Date     2026.5.1.0.0.7;
  Author bob;
  State Exp;
Branches     
 ;
Next     1.2.1.2;

1.2.1.2
Date     2026.5.1.0.0.8;
  Author bob;
  State Exp;
Branches     
 ;
Next     ;

1.2.2.1
Date     2026.5.1.0.0.10;
  Author carl;
  State Exp;
Branches     
 ;
Next     ;


Description
@
@



1.3
Log
@Saved by ann  2026.5.1.0.0.5.
@
Text
@a
B
c
d
@


1.2
Log
@Saved by ann  2026.5.1.0.0.4.
@
Text
@d4 1
@


1.1
Log
@Initial revision
@
Text
@d2 1
a2 1
b
@


1.2.1.1
Log
@first branch
@
Text
@a2 1
side
@


1.2.1.2
Log
@Saved by bob  2026.5.1.0.0.8.
@
Text
@d3 1
a3 1
side two
@


1.2.2.1
Log
@Saved by carl  2026.5.1.0.0.10.
@
Text
@a0 1
x
@
