/* COMMON.SQL 1.01 */
set TERM ^ ;

alter table CLIENTE add SIMPLES varchar(1)^

update VERSAO set NUMERO = '1.01' where ID = 1^

set TERM ; ^
commit work;
